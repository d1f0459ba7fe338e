#include "platform/privatefolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// A real folder (no link) of this user that nobody else may enter.
bool isPrivate(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// Makes `folder` with mode 0700, or closes an own existing one; empty when it is not private.
QString makePrivate(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        ::chmod(path.constData(), 0700);
    return isPrivate(folder) ? folder : QString();
}

} // namespace

QString PrivateFolder(const QString& name)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivate(QDir::cleanPath(runtime))) {
        if (const QString folder = makePrivate(QDir::cleanPath(runtime) + u"/vantrel-"_s + name);
            !folder.isEmpty())
            return folder;
    }
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return {};
    const QString own = makePrivate(QDir::cleanPath(cache) + u"/vantrel"_s);
    return own.isEmpty() ? QString() : makePrivate(own + u'/' + name);
}

} // namespace vantrel
