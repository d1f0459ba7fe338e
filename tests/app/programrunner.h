#pragma once

#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Runs the real vantrel binary with its own data and configuration folders.
class ProgramRunner final {
public:
    // The copy's folders go into a new temporary folder inside `parentFolder` (default: the
    // system's temporary folder).
    explicit ProgramRunner(const QString& parentFolder = QString());
    Q_DISABLE_COPY_MOVE(ProgramRunner)
    ~ProgramRunner();

    // The program of the build tree; setBinary() runs another one (an installed copy).
    static QString buildBinary();
    QString binary() const { return m_binary; }
    void setBinary(const QString& binary) { m_binary = binary; }

    QString dataHome() const { return m_root.filePath(QStringLiteral("data")); }
    QString configHome() const { return m_root.filePath(QStringLiteral("config")); }
    QString baseDir() const { return dataHome() + QStringLiteral("/Vantrel"); }
    QString eventLog() const { return baseDir() + QStringLiteral("/Logs/VantrelMsg.log"); }
    QString settingsFile() const { return baseDir() + QStringLiteral("/Conf/VantrelMsg.ini"); }
    QString logsDir() const { return baseDir() + QStringLiteral("/Logs"); }
    QProcessEnvironment environment() const;
    // Sets (or with an empty value removes) a variable of the copies' environment, over the
    // defaults (the offscreen platform among them).
    void setEnvironment(const QString& name, const QString& value) { m_extraEnvironment.insert(name, value); }

    // Starts a long-running copy; returns once its event log holds the start line. Its
    // standard error is passed through unless `captureErrors` keeps it for readAllStandardError().
    bool startInstance(const QStringList& args, bool captureErrors = false);
    QProcess& instance() { return m_instance; }
    // Runs a short command to its end; returns the exit code (-1 on crash or time-out).
    int runToEnd(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
                 int timeoutMs = 30000);
    // Waits for the long-running copy to end; returns its exit code (-1 on crash or time-out).
    int waitForInstanceEnd(int timeoutMs = 30000);

private:
    QTemporaryDir m_root;
    QString m_binary = buildBinary();
    QProcess m_instance;
    QHash<QString, QString> m_extraEnvironment;
};
