#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrel {

// Small stateless helpers shared by the whole program. All are safe to call from any thread.

// Retypes text typed on the US layout as if it had been typed on the Russian layout
// (key for key, 73 pairs); characters outside the table stay as they are.
QString LatinToCyrillic(const QString& text);

// The inverse of LatinToCyrillic on its 73 pairs: Russian layout to US layout.
QString CyrillicToLatin(const QString& text);

// Display text of a size in bytes: "1,5 КБ", "12 МБ", "1,25 ГБ", or "1023 байт".
// Gigabytes keep at most two decimals, megabytes and kilobytes one; trailing zero decimals are
// dropped and values are rounded half away from zero. The integer part is grouped by thousands
// with the locale's group separator (always, whatever the locale's number options say) and the
// locale's decimal point is used; the byte count is written plain, without grouping.
QString FormatFileSize(qint64 size, const QLocale& locale = QLocale::system());

// True when text has the shape of an IPv4 address: only digits and '.', exactly three '.'.
// The numbers themselves are not checked.
bool IsIPAddress(const QString& text);

// Splits text at every delimiter, trims each part (all characters up to and including the blank)
// and returns the non-empty parts in order.
QStringList SplitToList(const QString& text, QChar delimiter);

// Size of the file in bytes; 0 when the file does not exist or names a folder.
qint64 GetFileSize64(const QString& fileName);

// The program's own version as four numbers joined by "." (missing parts are 0), e.g. "0.1.0.0".
QString ProgramVersionText();

// Version text of a program file. Linux executables carry no version resource, so only the
// running program itself has one (ProgramVersionText()); any other file gives an empty text,
// as does a call without an application object.
QString GetFileVersionText(const QString& fileName);

} // namespace vantrel
