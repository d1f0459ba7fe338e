#pragma once

#include "common/testfiles.h"
#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "messaging/fakes.h"
#include "messaging/messagingengine.h"
#include "settings/settings.h"
#include "transfer/transferconfig.h"
#include "transfer/transferengine.h"
#include "transfer/transferhost.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace vantrel::test {

// Records the questions of offers and answers them: at once through `decide` when it is set,
// otherwise later through answerNext(). Keeps every transfer it was shown and takes received
// pictures as the windows would (reads them, then deletes file and folder).
class RecordingTransferHost final : public TransferHost {
public:
    void askOffer(const Question& question, AnswerCallback answer) override;
    void transferStarted(const std::shared_ptr<Transfer>& transfer) override { transfers.append(transfer); }
    void pictureReceived(const QString& contact, const QString& path) override;

    // Answers the oldest question still waiting.
    void answerNext(const Answer& answer);

    std::function<Answer(const Question&)> decide;
    QList<Question> questions;
    QList<AnswerCallback> waiting;
    QList<std::shared_ptr<Transfer>> transfers;
    struct Picture {
        QString contact, path;
        QByteArray bytes;
    };
    QList<Picture> pictures;
};

// A free port for several listeners on different 127.0.0.x addresses.
quint16 sharedPort();

// One side of a transfer: a messaging engine and a transfer engine listening on `address`
// (127.0.0.x) at `port`, with its own folders, settings and event log in a temporary folder.
class TransferPeer {
public:
    TransferPeer(const QString& address, quint16 port, const std::function<void(TransferConfig&)>& tune = {});
    Q_DISABLE_COPY_MOVE(TransferPeer)

    const QString& address() const { return m_address; }
    // The "<level> | <text>" part of every event-log line.
    QStringList events() const;
    // The receive folder (Edit_AutoFolder_Text).
    QString receiveFolder() const;
    QString history(const QString& contact) const;
    // Writes a file of `size` bytes of a pattern into the peer's own folder; returns its path.
    QString makeFile(const QString& name, qint64 size, char seed = 'a') const;

    QTemporaryDir dir;
    AppPaths paths;
    LogWriter writer;
    EventLog eventLog;
    Settings settings;
    ListedContacts contacts;
    RecordingHost host;
    RecordingSpeaker speaker;
    RecordingSoundPlayer sound;
    RecordingTransferHost transferHost;
    std::unique_ptr<MessagingEngine> messaging;
    std::unique_ptr<TransferEngine> transfers;

private:
    QString m_address;
};

// Stands at an address and keeps every request sent there: each connection's bytes up to its close.
class Catcher final : public QObject {
    Q_OBJECT
public:
    Catcher(const QString& address, quint16 port);
    QList<QByteArray> requests;

private:
    QTcpServer m_server;
};

// Connects from `from` to `to`:`port`, writes the bytes and, with `close`, closes. The socket is
// returned so that a test can keep it open.
std::unique_ptr<QTcpSocket> sendRaw(const QString& from, const QString& to, quint16 port,
                                    const QByteArray& bytes, bool close = true);
// The bytes of a file (a pattern derived from `seed`), for comparing received files.
QByteArray pattern(qint64 size, char seed);
// Whether a folder holds any leftover temporary file of a receive.
bool hasTemporaryFiles(const QString& folder);

} // namespace vantrel::test
