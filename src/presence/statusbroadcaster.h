#pragma once

#include "contacts/contactlistsnapshot.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vantrel {

class ContactList;
class EventLog;
class TcpCommandSender;

// The own status and its broadcast (`SetStatus`, `JvThread_Status`). Each change is told to
// every node of the list that has no children and is not marked unreachable (3), one
// `<STATUS>` request per contact carrying CODE and FROM, one contact after another. Failed
// sends are skipped silently. A change while a broadcast runs is stored but not sent: the
// running broadcast carries the code it started with, and the next change sends again.
class StatusBroadcaster final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kName = "JvThread_Status";
    using SenderName = std::function<QString()>;

    // `senderName` gives the FROM value at the start of each broadcast.
    StatusBroadcaster(ContactList& contacts, TcpCommandSender& sender, EventLog& eventLog,
                      SenderName senderName, QObject* parent = nullptr);
    ~StatusBroadcaster() override;
    Q_DISABLE_COPY_MOVE(StatusBroadcaster)

    // The own status: 0 at start, then the code last passed to SetStatus.
    int status() const { return m_status; }
    // Sets the own status, announces it (statusChanged) and starts a broadcast unless one runs.
    void SetStatus(int code);
    bool isRunning() const { return m_running; }

    // The body of a report: MakeTag("CODE", code) followed by MakeTag("FROM", sender).
    static QString reportBody(int code, const QString& senderName);

Q_SIGNALS:
    void statusChanged(int code);
    void started();
    void finished();

private:
    void sendNext();
    void finish();

    ContactList& m_contacts;
    TcpCommandSender& m_sender;
    EventLog& m_eventLog;
    SenderName m_senderName;
    std::shared_ptr<const ContactListSnapshot> m_snapshot;
    QString m_body;
    int m_next = 0;
    int m_status = 0;
    bool m_running = false;
};

} // namespace vantrel
