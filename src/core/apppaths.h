#pragma once

#include <QString>

namespace vantrel {

// Folders and files of one user's copy of the program, computed once at start.
struct AppPaths {
    QString baseDir;        // $XDG_DATA_HOME/Vantrel
    QString logsDir;        // baseDir/Logs
    QString confDir;        // baseDir/Conf
    QString settingsFile;   // confDir/VantrelMsg.ini
    QString eventLogFile;   // logsDir/VantrelMsg.log
    QString contactsFile;   // baseDir/compnames.vtl
    QString updateInfoFile; // baseDir/UpdInfo.txt
    QString programDataDir; // installed share/vantrel, or data/ of the source tree
    QString documentsDir;   // the user's documents folder
    QString tempDir;

    // Resolves every path from the environment (XDG variables, the program's location).
    static AppPaths resolve();
    // Paths below an explicit base folder (tests).
    static AppPaths forBase(const QString& baseDir);

    // Creates the base folder (with missing parents), the logs and configuration folders;
    // failures are not reported (logs in a missing folder are then skipped).
    void createFolders() const;
};

} // namespace vantrel
