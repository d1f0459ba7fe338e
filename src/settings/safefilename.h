#pragma once

#include <QString>

namespace vantrel {

// Turns a name that came from outside (a contact's nickname, a peer's computer name) into
// a file-name stem that stays inside the folder it is joined to and is valid on Linux and
// Windows alike. The caller appends the extension (".ini", ".log").
//
// A name that is already safe is returned unchanged, so existing files keep their names.
// A name is safe when it is not empty, is at most MaxStemBytes bytes in UTF-8, contains
// no offending character, does not end in '.' or ' ', and is not reserved.
//
// Offending characters: '/' and '\', control characters (U+0000-U+001F, U+007F-U+009F),
// the characters Windows refuses in file names (< > : " | ? *) and unpaired surrogates.
// Reserved names (compared without regard to case, on the part before the first '.' with
// trailing blanks dropped): CON, PRN, AUX, NUL, COM0-COM9, LPT0-LPT9, CONIN$, CONOUT$,
// CLOCK$, and VantrelMsg (the program's own settings and event-log files share its folders).
//
// Mapping of an unsafe name:
//  1. each offending character, each '%', and each '.' or ' ' of the name's trailing run
//     of dots and blanks becomes %XX per UTF-8 byte (upper-case hex); an unpaired
//     surrogate is encoded as its three-byte form;
//  2. a reserved name gets '_' after its reserved part ("CON" -> "CON_", "nul.txt" ->
//     "nul_.txt");
//  3. an empty name becomes "_";
//  4. a result longer than MaxStemBytes is cut at a character boundary and gets '~' and
//     eight hex digits of a SHA-256 of the original name, so long names that share their
//     start stay distinct.
// Distinct unsafe names map to distinct stems except through step 4's hash; an unsafe
// name can map to the same stem as a different safe name that already looks encoded
// ("a/b" and "a%2Fb").
QString SafeFileName(const QString& name);

// The path of `fileName` in `folder`. Names are compared without regard to letter case while
// Linux file names are not: when the folder holds no file of exactly that name but one that
// differs only in case ("PC-12.log" for "pc-12.log"), that one is taken, so one contact keeps
// one file.
QString PathIgnoringCase(const QString& folder, const QString& fileName);

// Upper bound of a stem's UTF-8 length, leaving room for an extension under the usual
// 255-byte file-name limit.
inline constexpr qsizetype MaxStemBytes = 200;

} // namespace vantrel
