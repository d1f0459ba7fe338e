#pragma once

#include <QString>

namespace vantrel {

class ContactLookup;
class HistoryLog;
class MessagingHost;
class Settings;
class SoundPlayer;
class Speaker;
class TcpCommandSender;

// Presents received text messages (R_ProcessingMessage): refuses black-listed senders, joins
// the pieces of a long message, shows the conversation lines, writes the history entry and
// raises the configured balloon, beep and sound.
class MessageProcessor final {
public:
    // A text that ends in this mark is a piece of a longer message: more pieces follow.
    static constexpr QStringView ContinuationMark = u"-->";

    MessageProcessor(Settings& settings, ContactLookup& contacts, MessagingHost& host, HistoryLog& history,
                     TcpCommandSender& commands, Speaker& speaker, SoundPlayer& sound);
    Q_DISABLE_COPY_MOVE(MessageProcessor)

    // Presents one queued message: the tag fields FROM, MESSAGE and DATE.
    void process(const QString& queuedMessage);

    // The pieces received so far of a message still being continued (s_MultiLine); shared by
    // all senders.
    const QString& pendingPieces() const { return m_multiLine; }

    // The time part of a DATE text: everything after its first blank, or the whole text.
    static QString timeOf(const QString& date);

private:
    Settings& m_settings;
    ContactLookup& m_contacts;
    MessagingHost& m_host;
    HistoryLog& m_history;
    TcpCommandSender& m_commands;
    Speaker& m_speaker;
    SoundPlayer& m_sound;
    QString m_multiLine;
};

} // namespace vantrel
