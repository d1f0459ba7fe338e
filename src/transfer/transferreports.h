#pragma once

#include <QString>

namespace vantrel {

class HistoryLog;
class MessagingHost;
class Settings;

// The lines of finished transfers: in the partner's conversation window (announced, not
// opened) and, with history on, in the partner's history log.
class TransferReports final {
public:
    TransferReports(Settings& settings, MessagingHost& host, HistoryLog& history);
    Q_DISABLE_COPY_MOVE(TransferReports)

    // "↑ [time]:" and "Передан файл "<full source path>"".
    void fileSent(const QString& contact, const QString& sourcePath);
    // "↓ [time]:" and "Принят файл "<name>" file:<path with %20 for blanks>".
    void fileReceived(const QString& contact, const QString& path);

    static QString sentText(const QString& sourcePath);
    static QString receivedText(const QString& path);

private:
    void report(const QString& contact, const QString& arrow, const QString& text);

    Settings& m_settings;
    MessagingHost& m_host;
    HistoryLog& m_history;
};

} // namespace vantrel
