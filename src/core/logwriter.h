#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>

#include <functional>

namespace vantrel {

// Appends whole lines to log files (the event log and the per-contact history logs).
// A new file starts with a byte-order mark, "Лог начат: " with the creation date-time and
// an empty line. Safe to call from any thread: each call appends exactly one whole line.
class LogWriter final {
public:
    enum class Result {
        Appended,
        Skipped,   // the file could not be created: skipped silently
        OpenFailed // the file exists but cannot be opened: the open-failed handler was told
    };
    using Clock = std::function<QDateTime()>;
    using OpenFailedHandler = std::function<void(const QString& path)>;

    explicit LogWriter(Clock clock = {});
    Q_DISABLE_COPY_MOVE(LogWriter)

    // Called (on the appending thread) when an existing file cannot be opened; the owner
    // shows the "не найден!" notification on the main thread.
    void setOpenFailedHandler(OpenFailedHandler handler);

    // `error`, when given, says why a line was not appended.
    Result append(const QString& text, const QString& filePath, QString* error = nullptr);

    QDateTime now() const;

    // The notification text for a log file that cannot be opened.
    static QString openFailedText(const QString& path);

private:
    Clock m_clock;
    OpenFailedHandler m_openFailed;
    QMutex m_mutex;
};

} // namespace vantrel
