#pragma once

#include "messaging/requesthandler.h"
#include "transfer/expectedstreams.h"
#include "transfer/transferconfig.h"
#include "transfer/transferreports.h"
#include "transfer/transferservices.h"

#include <QHash>
#include <QObject>

#include <memory>

namespace vantrel {

class IncomingOffers;
class IncomingTransfer;
class OutgoingOffers;
class Transfer;

// File and picture transfer: offers in both directions, the acceptances, and the data streams
// that follow them, each moved on a worker thread of its own. It takes the transfer requests
// from the listener (status reports are not its business) and reports to the user through the
// messaging host and the transfer host.
class TransferEngine final : public QObject, public RequestHandler {
    Q_OBJECT
public:
    TransferEngine(TransferConfig config, TransferServices services, QObject* parent = nullptr);
    ~TransferEngine() override;
    Q_DISABLE_COPY_MOVE(TransferEngine)

    // Offers files (one as a file, several as a set) or a picture to each address in order.
    void offerFiles(const QStringList& addresses, const QStringList& paths);
    void offerImage(const QStringList& addresses, const QString& path);

    // Stops every transfer and answers nothing more; the program is ending.
    void stop();

    const TransferConfig& config() const { return m_config; }
    // Transfers under way.
    int activeTransfers() const { return static_cast<int>(m_active.size()); }
    int waitingQuestions() const;
    ExpectedStreams& expectedStreams() { return m_expected; }
    OutgoingOffers& outgoing() { return *m_outgoing; }

    // RequestHandler
    void statusReceived(const QString& item, const QString& peerIp) override;
    void fileOfferReceived(const QString& line, const QString& peerIp) override;
    void filesOfferReceived(const QString& body, const QString& peerIp) override;
    void imageOfferReceived(const QString& line, const QString& peerIp) override;
    void writeFileReceived(const QString& item, const QString& peerIp) override;
    std::unique_ptr<StreamSink> fileStreamStarting(const QString& line, const QString& peerIp) override;

Q_SIGNALS:
    // A transfer has ended (all its files); tests and benchmarks wait for it.
    void transferFinished(vantrel::Transfer* transfer);

private:
    std::unique_ptr<StreamSink> refuseStream(const QString& peerIp, const QString& error, bool tellUser);
    void track(const std::shared_ptr<Transfer>& transfer);
    // Starts the files waiting for their turn, within the limits of streams at once.
    void startWaiting();
    void onIncomingEnded(const IncomingTransfer& transfer, int acceptance, const QString& peerIp, bool ok,
                         const QString& error);

    TransferConfig m_config;
    TransferServices m_services;
    ExpectedStreams m_expected;
    TransferReports m_reports;
    std::unique_ptr<IncomingOffers> m_incoming;
    std::unique_ptr<OutgoingOffers> m_outgoing;
    QHash<Transfer*, std::shared_ptr<Transfer>> m_active;
    struct Waiting {
        std::shared_ptr<IncomingTransfer> transfer;
        QString peer;
    };
    QList<Waiting> m_waiting;
    QHash<QString, int> m_streamsOf;
    int m_streams = 0;
    bool m_stopped = false;
};

} // namespace vantrel
