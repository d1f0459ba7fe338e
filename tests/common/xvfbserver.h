#pragma once

// A private X server (Xvfb) on a free display number, for tests that need a real X server;
// and xdotool to type on it.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

class XvfbServer final {
public:
    XvfbServer() = default;
    Q_DISABLE_COPY_MOVE(XvfbServer)
    ~XvfbServer() { stop(); }

    static bool isInstalled() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }
    static bool hasXdotool() { return !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(); }

    // Starts the server; Xvfb picks a free display and writes its number to us.
    bool start()
    {
        m_process.start(QStringLiteral("Xvfb"),
                        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                         QStringLiteral("0"), QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                         QStringLiteral("tcp")});
        if (!m_process.waitForStarted(10000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(20000))
                return false;
        }
        const QByteArray number = m_process.readLine().trimmed();
        if (number.isEmpty())
            return false;
        m_display = QStringLiteral(":") + QString::fromLatin1(number);
        return true;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QString display() const { return m_display; }

    // Runs xdotool with `args` on this display; true when it succeeded.
    bool xdotool(const QStringList& args) const
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), args);
        return tool.waitForFinished(20000) && tool.exitStatus() == QProcess::NormalExit &&
               tool.exitCode() == 0;
    }

private:
    QProcess m_process;
    QString m_display;
};
