#pragma once

#include <QHash>
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
//
// Pieces are joined per sender (peer address and FROM), so one peer's pieces never end up in
// another peer's message, and within bounds: a joined text that reaches MaxJoinedChars, or
// the oldest one when more than MaxPendingSenders senders have pieces waiting, is presented
// as it stands and a new text starts.
class MessageProcessor final {
public:
    // A text that ends in this mark is a piece of a longer message: more pieces follow.
    static constexpr QStringView ContinuationMark = u"-->";
    static constexpr qsizetype MaxJoinedChars = 256 * 1024;
    static constexpr int MaxPendingSenders = 64;
    // A FROM longer than this is no computer name; only its start is used.
    static constexpr qsizetype MaxSenderChars = 1024;

    MessageProcessor(Settings& settings, ContactLookup& contacts, MessagingHost& host, HistoryLog& history,
                     TcpCommandSender& commands, Speaker& speaker, SoundPlayer& sound);
    Q_DISABLE_COPY_MOVE(MessageProcessor)

    // Presents one queued message: the tag fields FROM, MESSAGE and DATE; `peerIp` is the
    // address it came from (empty when it came another way).
    void process(const QString& queuedMessage, const QString& peerIp = {});
    // The same for a message already taken apart (a Messenger-service popup): its sender, its
    // date text (empty: now) and its text.
    void processFields(const QString& from, const QString& date, const QString& text,
                       const QString& peerIp = {});

    // The pieces received so far from a sender of a message still being continued.
    QString pendingPieces(const QString& peerIp, const QString& from) const;
    int pendingSenders() const { return int(m_pieces.size()); }

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

    struct Pieces {
        QString from;
        QString text;
        quint64 order = 0;
    };
    static QString senderKey(const QString& peerIp, const QString& from);
    void present(const QString& from, const QString& date, const QString& text);
    void presentOldestPieces();

    QHash<QString, Pieces> m_pieces;
    quint64 m_nextOrder = 0;
};

} // namespace vantrel
