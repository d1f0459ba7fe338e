#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace vantrel {

// Runs helper programs (such as Samba's command-line tools) without blocking the caller's
// thread: the program is started with an argument list, never through a shell, is given its
// standard input, is stopped when it runs too long, and its output is kept only up to a bound.
class ProcessRunner {
public:
    struct Result {
        enum class Outcome {
            Finished,      // ended by itself: exitCode holds its status
            FailedToStart, // could not be started (missing, not executable)
            TimedOut,      // stopped after the time-out
            Crashed,       // ended by a signal
        };
        Outcome outcome = Outcome::FailedToStart;
        int exitCode = -1;
        // The first bytes of standard output and standard error (at most MaxOutputBytes each).
        QByteArray output;
        QByteArray errorOutput;
    };
    using Callback = std::function<void(const Result&)>;

    static constexpr qsizetype MaxOutputBytes = 16 * 1024;

    ProcessRunner() = default;
    virtual ~ProcessRunner() = default;
    Q_DISABLE_COPY_MOVE(ProcessRunner)

    // The full path of the program `name` found in PATH, or empty.
    virtual QString findProgram(const QString& name) const = 0;
    // Starts `program` with `arguments`, writes `input` to its standard input and closes it.
    // `done` is called once, later, from the event loop of the calling thread; never after the
    // runner is destroyed (running programs are then killed).
    virtual void run(const QString& program, const QStringList& arguments, const QByteArray& input,
                     int timeoutMs, Callback done) = 0;
};

} // namespace vantrel
