#pragma once

#include "messaging/recentmessages.h"
#include "platform/localnames.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace vantrel {

class ContactLookup;
class HistoryLog;
class MessagingHost;
class MessengerSender;
class Settings;
class TcpCommandSender;

// Sends the user's text messages and beeps: turns a recipient text into addresses, starts one
// send per address (all in parallel, none waited for), writes the history entries and reports
// failures in the recipient's conversation window.
class MessageSender final : public QObject {
    Q_OBJECT
public:
    // The caption of the whole-network item; "<" + it + ">" typed as recipient means it.
    static constexpr QStringView AllNetworkCaption = u"ВСЯ СЕТЬ";

    struct Recipients {
        QString displayText;
        QStringList addresses;
    };

    // The recipient choice of the main window (the contact tree and the recipient field).
    // Without one, every message goes to the recipient text it is sent with.
    class RecipientSource {
    public:
        RecipientSource() = default;
        virtual ~RecipientSource() = default;
        Q_DISABLE_COPY_MOVE(RecipientSource)

        // R_Answer without restoring the window: makes `name` the current recipient.
        virtual void R_Answer(const QString& name) = 0;
        // Whether a list item of the recipient field is selected.
        virtual bool hasSelectedItem() const = 0;
        // The recipient field's text.
        virtual QString recipientText() const = 0;
        // The addresses of the selected item, of the ticked contacts or of a group's members
        // (with their balloons when nothing can be addressed).
        virtual Recipients treeAddressList() = 0;
        // A message has been handed to its sends: automatic unticking.
        virtual void messageHandled() = 0;
        // Puts the keyboard focus into the recipient field.
        virtual void focusRecipientField() = 0;
    };

    MessageSender(Settings& settings, ContactLookup& contacts, MessagingHost& host, HistoryLog& history,
                  TcpCommandSender& commands, LocalNames localNames, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MessageSender)

    // The network's work groups and domains (none on Linux).
    void setNetworkGroups(QStringList groups) { m_networkGroups = std::move(groups); }
    // The Messenger-service transport, used for text messages while "Использовать собственный
    // протокол передачи сообщений" is off; without one every message goes over TCP.
    void setMessenger(MessengerSender* messenger);
    // The main window's recipient choice; nullptr to send to the given text only.
    void setRecipientSource(RecipientSource* source) { m_source = source; }

    // GetAdressList for typed recipient text: ";"-separated names, trimmed, empty ones dropped,
    // contact names replaced by their addresses; "<ВСЯ СЕТЬ>" gives every network group.
    Recipients addressList(const QString& typedText) const;

    // The recipients of a user action (a message, a file offer): with a recipient source,
    // whatever it chooses (after `address` has been made its recipient, with `makeRecipient`);
    // else the typed `address`. A blank choice raises "Не указано сетевое имя !": nullopt.
    std::optional<Recipients> chooseRecipients(const QString& address, bool makeRecipient = true);
    // The user action has been handed to its sends: the source's automatic unticking.
    void recipientsHandled();

    // R_SendMessage: sends `text` to the recipients typed as `address`, or, with a recipient
    // source, to whatever the source chooses after `address` has been made its recipient. A
    // blank text does nothing; a blank recipient raises "Не указано сетевое имя !".
    void sendMessage(const QString& address, const QString& text);
    // Whether text messages go over the own TCP protocol (else through the Messenger service).
    bool usesTcp() const;
    // One send (TThreadSend). `onlyOne` marks the only send of a user action: it alone changes
    // the caption, adds the recipient to the favourites and hides the main window.
    void sendTo(const QString& address, const QString& text, bool onlyOne);
    // "Послать сигнал": the beep request, with an error balloon on failure.
    void sendBeep(const QString& address);

    // The FROM value: the other name when "Отправлять от другого имени" is on, else the
    // computer name; or, once a source is set, whatever it gives (the program's checked
    // sender name).
    QString senderName() const;
    void setSenderNameSource(std::function<QString()> source) { m_senderNameSource = std::move(source); }
    const RecentMessages& recentMessages() const { return m_recent; }
    // The display text of the last recipient list.
    const QString& lastDisplayText() const { return m_displayText; }
    int sendsInProgress() const;

    // The red line of a failed delivery.
    static QString failureText(const QString& contact);
    // Names TCP cannot reach: a work group or domain followed by '*', or '*' alone.
    static bool isGroupAddress(const QString& address);

Q_SIGNALS:
    // One send has ended (over TCP; through the Messenger service: all pieces of a message).
    void sendFinished(const QString& address, bool ok);

private:
    void finishSend(const QString& address, bool onlyOne, bool ok);

    Settings& m_settings;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    HistoryLog& m_history;
    TcpCommandSender& m_commands;
    LocalNames m_localNames;
    QStringList m_networkGroups;
    RecipientSource* m_source = nullptr;
    MessengerSender* m_messenger = nullptr;
    RecentMessages m_recent;
    mutable QString m_displayText;
    int m_inProgress = 0;
    std::function<QString()> m_senderNameSource;
};

} // namespace vantrel
