#pragma once

#include <QObject>
#include <QString>

namespace vantrel {

class MessagingHost;
class Reachability;
class Settings;

// The program's sender name (the FROM of messages and status reports) and the check of the
// other sender name that guards it: a name that answers the reachability test is in use on
// the network and may not be borrowed.
//
// CheckEditFrom() looks at "Отправлять от другого имени" and its name: off, the computer name
// is used; on with an empty name, the box is cleared; otherwise the name is probed without
// waiting. Until the answer comes the previous sender name stays in use; then either the name
// becomes the sender name, or the box is cleared, the computer name is used and an error
// balloon names the name. A newer check makes the answer of an older one void. Main thread.
class SenderNameCheck final : public QObject {
    Q_OBJECT
public:
    SenderNameCheck(Settings& settings, const Reachability& reachability, MessagingHost& host,
                    QString computerName, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SenderNameCheck)

    QString senderName() const { return m_senderName; }
    bool isChecking() const { return !m_pending.isEmpty(); }

    void CheckEditFrom();

    static QString inUseText(const QString& name);

Q_SIGNALS:
    // A check has ended (also when it needed no probe).
    void checked(const QString& senderName);

private:
    void useComputerName(bool clearBox);

    Settings& m_settings;
    const Reachability& m_reachability;
    MessagingHost& m_host;
    QString m_computerName;
    QString m_senderName;
    QString m_pending;
    quint64 m_generation = 0;
};

} // namespace vantrel
