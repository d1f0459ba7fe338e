#include "core/atomicfile.h"

#include <QSaveFile>

namespace vantrel {

bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* error)
{
    QSaveFile file(path);
    // An explicit flush() is needed: a short write that still sits in Qt's buffer would
    // otherwise only fail inside commit(), which then does not report it.
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}

} // namespace vantrel
