#include "platform/linux/linuxprocessrunner.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

namespace vantrel {

namespace {

void appendBounded(QByteArray& kept, const QByteArray& more)
{
    const qsizetype room = ProcessRunner::MaxOutputBytes - kept.size();
    if (room > 0)
        kept.append(more.left(room));
}

} // namespace

LinuxProcessRunner::LinuxProcessRunner() = default;

LinuxProcessRunner::~LinuxProcessRunner()
{
    const auto processes = m_owner.findChildren<QProcess*>(Qt::FindDirectChildrenOnly);
    for (QProcess* process : processes) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
}

QString LinuxProcessRunner::findProgram(const QString& name) const
{
    return QStandardPaths::findExecutable(name);
}

void LinuxProcessRunner::run(const QString& program, const QStringList& arguments, const QByteArray& input,
                             int timeoutMs, Callback done)
{
    auto* process = new QProcess(&m_owner);
    auto result = std::make_shared<Result>();
    auto timer = new QTimer(process);
    timer->setSingleShot(true);
    // Reports once, whatever came first, then lets the process go.
    auto finish = [process, result, done = std::move(done)](Result::Outcome outcome, int code) mutable {
        if (!done)
            return;
        appendBounded(result->output, process->readAllStandardOutput());
        appendBounded(result->errorOutput, process->readAllStandardError());
        result->outcome = outcome;
        result->exitCode = code;
        const Callback callback = std::exchange(done, {});
        process->disconnect();
        process->deleteLater();
        callback(*result);
    };
    auto shared = std::make_shared<decltype(finish)>(std::move(finish));

    QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                     [process, result] { appendBounded(result->output, process->readAllStandardOutput()); });
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, result] {
        appendBounded(result->errorOutput, process->readAllStandardError());
    });
    QObject::connect(
        process, &QProcess::finished, process, [shared, timer](int code, QProcess::ExitStatus status) {
            timer->stop();
            (*shared)(status == QProcess::CrashExit ? Result::Outcome::Crashed : Result::Outcome::Finished,
                      code);
        });
    QObject::connect(process, &QProcess::errorOccurred, process, [shared](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            (*shared)(Result::Outcome::FailedToStart, -1);
    });
    QObject::connect(timer, &QTimer::timeout, process, [process, shared] {
        // Reported at once; the killed process is reaped by QProcess when it ends.
        QObject::disconnect(process, &QProcess::finished, nullptr, nullptr);
        process->kill();
        (*shared)(Result::Outcome::TimedOut, -1);
    });

    process->setProgram(program);
    process->setArguments(arguments);
    QObject::connect(process, &QProcess::started, process, [process, input] {
        process->write(input);
        process->closeWriteChannel();
    });
    timer->start(timeoutMs);
    process->start(QIODevice::ReadWrite);
}

} // namespace vantrel
