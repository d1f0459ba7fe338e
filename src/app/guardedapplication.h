#pragma once

#include "core/eventlog.h"

#include <QEvent>
#include <QObject>

#include <exception>
#include <functional>

namespace vantrel {

// An application object whose event delivery never lets an error end the program:
// an exception escaping a handler of the main thread is written to the event log as an
// Error line and the event loop goes on.
template <typename Base>
class GuardedApplication final : public Base {
public:
    GuardedApplication(int& argc, char** argv)
        : Base(argc, argv)
    {}

    void setEventLog(EventLog* log) { m_log = log; }

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return Base::notify(receiver, event);
        } catch (const std::exception& e) {
            report(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            report(QStringLiteral("unknown error"));
        }
        return false;
    }

private:
    void report(const QString& message)
    {
        if (m_log)
            m_log->error(message);
    }

    EventLog* m_log = nullptr;
};

// Runs a worker's body; an escaping error becomes a Thread Error line naming the worker.
inline void RunGuarded(EventLog& log, const QString& workerName, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        log.threadError(workerName, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        log.threadError(workerName, QStringLiteral("unknown error"));
    }
}

} // namespace vantrel
