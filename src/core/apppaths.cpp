#include "core/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// The data shipped with the program: an explicit override, the share folder of the
// installation the binary sits in (found relative to it, so any prefix works), the source
// tree's data/ when run from a build, the configured install prefix.
QString findProgramDataDir()
{
    const QString overrideDir = qEnvironmentVariable("VANTREL_DATA_DIR");
    if (!overrideDir.isEmpty())
        return QDir::cleanPath(overrideDir);
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + u"/"_s +
                          QStringLiteral(VANTREL_DATA_FROM_BINDIR);
    candidates << QStringLiteral(VANTREL_SOURCE_DATA_DIR) << QStringLiteral(VANTREL_INSTALL_DATA_DIR);
    for (const QString& dir : std::as_const(candidates)) {
        if (QFileInfo(dir + u"/Sounds"_s).isDir())
            return QDir::cleanPath(dir);
    }
    return QDir::cleanPath(candidates.constLast());
}

} // namespace

AppPaths AppPaths::forBase(const QString& baseDir)
{
    AppPaths p;
    p.baseDir = QDir::cleanPath(baseDir);
    p.logsDir = p.baseDir + u"/Logs"_s;
    p.confDir = p.baseDir + u"/Conf"_s;
    p.settingsFile = p.confDir + u"/VantrelMsg.ini"_s;
    p.eventLogFile = p.logsDir + u"/VantrelMsg.log"_s;
    p.contactsFile = p.baseDir + u"/compnames.vtl"_s;
    p.updateInfoFile = p.baseDir + u"/UpdInfo.txt"_s;
    p.programDataDir = findProgramDataDir();
    p.documentsDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (p.documentsDir.isEmpty())
        p.documentsDir = QDir::homePath();
    p.tempDir = QDir::tempPath();
    return p;
}

AppPaths AppPaths::resolve()
{
    return forBase(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Vantrel"_s);
}

void AppPaths::createFolders() const
{
    // The XDG data folder itself may be missing on a fresh account: create the whole path
    // to the base folder, then one level for each subfolder.
    QDir().mkpath(baseDir);
    QDir().mkdir(logsDir);
    QDir().mkdir(confDir);
}

} // namespace vantrel
