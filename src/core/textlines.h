#pragma once

#include <QList>
#include <QStringView>

namespace vantrel {

// Splits a text into its lines at CR LF, LF or CR, as files written on Windows and on Linux
// end them. A last line without a line end counts; a line end at the very end of the text
// starts no further line.
QList<QStringView> SplitTextLines(QStringView text);

} // namespace vantrel
