#pragma once

#include "presence/contactpass.h"

#include <QString>

#include <functional>

namespace vantrel {

class TcpCommandSender;

// The own status and its broadcast (`SetStatus`, `JvThread_Status`). Each change is told to
// every node of the list that has no children and is not marked unreachable (3), one
// `<STATUS>` request per contact carrying CODE and FROM, one contact after another. Failed
// sends are skipped silently. A change while a broadcast runs is stored but not sent: the
// running broadcast carries the code it started with, and the next change sends again. A
// change while the settings dialog is showing is likewise stored and shown but never sent.
class StatusBroadcaster final : public ContactPass {
    Q_OBJECT
public:
    static constexpr const char* kName = "JvThread_Status";
    using SenderName = std::function<QString()>;

    // `senderName` gives the FROM value at the start of each broadcast.
    StatusBroadcaster(ContactList& contacts, TcpCommandSender& sender, EventLog& eventLog,
                      SenderName senderName, SettingsShowing settingsShowing = {}, QObject* parent = nullptr);
    ~StatusBroadcaster() override;
    Q_DISABLE_COPY_MOVE(StatusBroadcaster)

    // The own status: 0 at start, then the code last passed to SetStatus.
    int status() const { return m_status; }
    // Sets the own status, announces it (statusChanged) and starts a broadcast unless one runs
    // or the settings dialog is showing.
    void SetStatus(int code);

    // The body of a report: MakeTag("CODE", code) followed by MakeTag("FROM", sender).
    static QString reportBody(int code, const QString& senderName);

Q_SIGNALS:
    void statusChanged(int code);

private:
    void sendNext();

    TcpCommandSender& m_sender;
    SenderName m_senderName;
    QString m_body;
    int m_status = 0;
};

} // namespace vantrel
