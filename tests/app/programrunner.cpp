#include "programrunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>

ProgramRunner::ProgramRunner(const QString& parentFolder)
    : m_root(parentFolder.isEmpty() ? QTemporaryDir()
                                    : QTemporaryDir(parentFolder + QStringLiteral("/copy-XXXXXX")))
{
    QDir().mkpath(dataHome());
    QDir().mkpath(configHome());
}

ProgramRunner::~ProgramRunner()
{
    if (m_instance.state() != QProcess::NotRunning) {
        m_instance.kill();
        m_instance.waitForFinished(5000);
    }
}

QString ProgramRunner::buildBinary()
{
    return qEnvironmentVariable("VANTREL_TEST_BUILD_DIR") + QStringLiteral("/src/app/vantrel");
}

QProcessEnvironment ProgramRunner::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    env.insert(QStringLiteral("HOME"), m_root.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (auto it = m_extraEnvironment.constBegin(); it != m_extraEnvironment.constEnd(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    return env;
}

namespace {

int startLines(const QString& path)
{
    QFile log(path);
    return log.open(QIODevice::ReadOnly) ? static_cast<int>(log.readAll().count("Запуск программы")) : 0;
}

// Whether a copy bound to `address` takes connections on the program's port (a connection
// that sends nothing leaves no trace there).
bool isListening(const QString& address)
{
    QTcpSocket probe;
    probe.connectToHost(QHostAddress(address), 2012);
    return probe.waitForConnected(500);
}

} // namespace

bool ProgramRunner::startInstance(const QStringList& args, bool captureErrors)
{
    const int before = startLines(eventLog());
    m_instance.setProcessEnvironment(environment());
    m_instance.setProcessChannelMode(captureErrors ? QProcess::SeparateChannels
                                                   : QProcess::ForwardedErrorChannel);
    m_instance.start(binary(), args);
    if (!m_instance.waitForStarted(10000))
        return false;
    QElapsedTimer timer;
    timer.start();
    // With --bind, the copy is ready once its listener takes connections.
    const qsizetype bind = args.indexOf(QStringLiteral("--bind"));
    const QString address = bind >= 0 && bind + 1 < args.size() ? args.at(bind + 1) : QString();
    while (timer.elapsed() < 30000) {
        if (startLines(eventLog()) > before && QFile::exists(settingsFile()) &&
            (address.isEmpty() || isListening(address)))
            return true;
        if (m_instance.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(50);
    }
    return false;
}

int ProgramRunner::runToEnd(const QStringList& args, QByteArray* out, QByteArray* err, int timeoutMs)
{
    QProcess p;
    p.setProcessEnvironment(environment());
    p.start(binary(), args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    const QByteArray errText = p.readAllStandardError();
    if (err)
        *err = errText;
    else if (p.exitCode() != 0)
        qWarning("%s exited with %d: %s", qPrintable(args.join(u' ')), p.exitCode(), errText.constData());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int ProgramRunner::waitForInstanceEnd(int timeoutMs)
{
    if (!m_instance.waitForFinished(timeoutMs))
        return -1;
    return m_instance.exitStatus() == QProcess::NormalExit ? m_instance.exitCode() : -1;
}
