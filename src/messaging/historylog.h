#pragma once

#include <QString>

#include <functional>

namespace vantrel {

class LogWriter;

// The per-contact history logs: one file per contact in the logs folder, UTF-8 with a
// byte-order mark and the "Лог начат: " header, one entry per message. Contact names are
// mapped to safe file names, so a log always lands inside the logs folder. An entry that
// cannot be written is reported to the failure handler (the event log), never lost silently.
class HistoryLog final {
public:
    using FailureHandler = std::function<void(const QString& path, const QString& error)>;

    HistoryLog(LogWriter& writer, QString logsDir, FailureHandler failed = {});
    Q_DISABLE_COPY_MOVE(HistoryLog)

    // The log file of a contact: an existing log whose name differs only in letter case is
    // the contact's log.
    QString pathFor(const QString& contact) const;

    // A received message: contact + " [" + date-time + "]: " + text, in the contact's log.
    void addReceived(const QString& contact, const QString& dateTime, const QString& text);
    // A sent message: the user's logon name + " [" + date-time + "]: " + text, in the log of
    // the recipient's contact name.
    void addSent(const QString& contact, const QString& userName, const QString& dateTime,
                 const QString& text);

    // Any other entry (the lines of finished file transfers), as it stands.
    void addEntry(const QString& contact, const QString& entry);

    // The current date-time text for entries (the log writer's clock).
    QString nowText() const;

    // The text of a message entry; control characters of the name and date-time (which a peer
    // may send) are escaped so that the header stays one line.
    static QString entry(const QString& name, const QString& dateTime, const QString& text);

private:
    void append(const QString& line, const QString& contact);

    LogWriter& m_writer;
    QString m_logsDir;
    FailureHandler m_failed;
};

} // namespace vantrel
