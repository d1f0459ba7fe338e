#pragma once

// A program under test keeps its files, its single-instance socket and any autostart entry in
// folders of the test: the XDG folders and HOME point into a temporary folder. Made before the
// application object exists (a global of the test file), so that every path is read from it.

#include <QDir>
#include <QTemporaryDir>

struct PrivateFolders {
    QTemporaryDir root;
    PrivateFolders()
    {
        QDir().mkpath(root.filePath(QStringLiteral("data")));
        QDir().mkpath(root.filePath(QStringLiteral("config")));
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", root.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", root.path().toUtf8());
        qputenv("HOME", root.path().toUtf8());
    }
};
