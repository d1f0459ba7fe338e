#pragma once

#include <QList>
#include <QStringView>

namespace vantrel {

// Splits a text into its lines at CR LF, LF or CR, as files written on Windows and on Linux
// end them. A last line without a line end counts; a line end at the very end of the text
// starts no further line.
QList<QStringView> SplitTextLines(QStringView text);

// The text with every control character (C0, DEL, C1) and the line and paragraph separators
// written as "\xHH" or "\uHHHH", so that text a peer controls can neither break a line of a
// log nor send commands to a terminal. Other characters stay as they are.
QString EscapeControls(QStringView text);

// At most `maxChars` characters of the text; a longer one is cut and ends in "…".
QString Shortened(QStringView text, qsizetype maxChars);

} // namespace vantrel
