#pragma once

#include <QObject>

#include <memory>

namespace vantrel {

// Turns the operating system's polite termination requests (SIGTERM, SIGINT, SIGHUP on
// Linux) into a signal delivered on the main thread, so the program can save its settings
// and write its closing log line instead of dying mid-way.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    Q_DISABLE_COPY_MOVE(TerminationSignals)

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vantrel
