#pragma once

#include "core/logwriter.h"

#include <QString>

namespace vantrel {

// The program's event log: one line per event, "<date-time> | <level> | <text>".
class EventLog final {
public:
    enum class Level { Information, Warning, Error, ListenError, ThreadError };

    EventLog(LogWriter& writer, QString path);
    Q_DISABLE_COPY_MOVE(EventLog)

    void write(Level level, const QString& text);
    void information(const QString& text) { write(Level::Information, text); }
    void warning(const QString& text) { write(Level::Warning, text); }
    void error(const QString& text) { write(Level::Error, text); }
    void listenError(const QString& text) { write(Level::ListenError, text); }
    // A worker's failure: "<worker>: <message>".
    void threadError(const QString& worker, const QString& message);

    const QString& path() const { return m_path; }
    LogWriter& writer() { return m_writer; }

    static QString levelName(Level level);

private:
    LogWriter& m_writer;
    QString m_path;
};

} // namespace vantrel
