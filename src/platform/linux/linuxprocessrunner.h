#pragma once

#include "platform/processrunner.h"

#include <QObject>

namespace vantrel {

// ProcessRunner with QProcess: one process per run, output read as it comes and dropped
// beyond the bound (so a chatty program never stalls on a full pipe), killed at the time-out.
class LinuxProcessRunner final : public ProcessRunner {
public:
    LinuxProcessRunner();
    ~LinuxProcessRunner() override;
    Q_DISABLE_COPY_MOVE(LinuxProcessRunner)

    QString findProgram(const QString& name) const override;
    void run(const QString& program, const QStringList& arguments, const QByteArray& input, int timeoutMs,
             Callback done) override;

private:
    // Parent of the running processes: deleting it kills them without their callbacks.
    QObject m_owner;
};

} // namespace vantrel
