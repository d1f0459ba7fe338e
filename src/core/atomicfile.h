#pragma once

#include <QByteArray>
#include <QString>

namespace vantrel {

// Replaces the file at `path` with `data` as a whole: the bytes go to a temporary file in
// the same folder, which is flushed, synced and renamed over the old file only when every
// write succeeded. A crash or a full disk midway leaves the previous file as it was.
// On failure returns false and, when `error` is given, says why.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace vantrel
