#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace vantrel {

// At most one running copy per user and data folder. The first copy takes a lock file and
// listens on a local socket; later copies find the lock taken and hand a one-line command
// ("restore", "exit", ...) to the running copy through the socket.
//
// Lock file and socket live in $XDG_RUNTIME_DIR; when that is unset or not writable, in the
// folder "vantrel" of the user's cache folder, kept at mode 0700, so that no other local user
// can take their names first (the shared temporary folder only when neither can be had). Their names are
// derived from the user id and the data folder's path, so copies with different data folders run side by
// side. Nothing is ever written into the data folder.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    enum class SendResult {
        Delivered,  // the running copy accepted the command line
        NoInstance, // no copy is running (or it does not listen yet)
        Failed,     // a copy runs but the command could not be handed over
    };

    // Longest command line accepted, without its line break.
    static constexpr qsizetype kMaxCommandSize = 64 * 1024;

    explicit SingleInstance(const QString& keyFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock (a lock left by a process that no longer runs is taken over), removes a
    // leftover socket and starts listening. False when another copy holds the lock.
    bool tryBecomePrimary();
    bool isPrimary() const;

    // A client that sends no complete line within this time is dropped (default 5 s).
    void setClientIdleTimeout(std::chrono::milliseconds timeout);

    // Hands one command line to the running copy for `keyFolder`, waiting at most `timeoutMs`
    // for each step. Never takes the lock and writes no file. Commands containing a line break
    // or longer than kMaxCommandSize are refused (Failed).
    static SendResult sendCommand(const QString& keyFolder, const QByteArray& command, int timeoutMs);

    // Where the lock file and the socket for `keyFolder` are.
    static QString lockFilePath(const QString& keyFolder);
    static QString socketPath(const QString& keyFolder);

Q_SIGNALS:
    // A complete command line from another process, without its line break.
    void commandReceived(const QByteArray& command);

private:
    void acceptClients();
    void readClient(QLocalSocket* client);

    QString m_keyFolder;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    std::chrono::milliseconds m_idleTimeout{5000};
};

} // namespace vantrel
