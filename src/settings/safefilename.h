#pragma once

#include <QString>

namespace vantrel {

// Turns a name that came from outside (a contact's nickname, a peer's computer name) into
// a file-name stem that stays inside the folder it is joined to and is valid on Linux and
// Windows alike. The caller appends the extension (".ini", ".log"). Distinct names always
// give distinct stems, and the work is linear in the name's length.
//
// A name that is already safe is returned unchanged, so existing files keep their names.
// A name is safe when it is at most MaxStemBytes bytes in UTF-8, contains no offending
// character and nothing that looks like an encoded one ("%" and two hex digits), does not end
// in '.' or ' ' or in '~' and eight hex digits, and is not reserved.
//
// Offending characters: '/' and '\', control characters (U+0000-U+001F, U+007F-U+009F),
// the characters Windows refuses in file names (< > : " | ? *) and unpaired surrogates.
// Reserved names (compared without regard to case, on the part before the first '.' with
// trailing blanks and then trailing '_' dropped): CON, PRN, AUX, NUL, COM0-COM9, LPT0-LPT9,
// CONIN$, CONOUT$, CLOCK$, VantrelMsg (the program's own settings and event-log files share
// its folders), the empty name, and names whose base is only underscores.
//
// Mapping of an unsafe name:
//  1. each offending character, each '%', each '.' or ' ' of the name's trailing run of dots
//     and blanks, and the '~' of a final "~" + eight hex digits becomes %XX per UTF-8 byte
//     (upper-case hex); an unpaired surrogate is encoded as its three-byte form;
//  2. a reserved name gets '_' after its reserved word ("CON" -> "CON_", "CON_" -> "CON__",
//     "nul.txt" -> "nul_.txt", "" -> "_", "_" -> "__");
//  3. a name longer than MaxStemBytes is mapped only as far as the stem can hold, and gets
//     '~' and eight hex digits of a SHA-256 of the whole name, so long names that share their
//     start stay distinct.
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
