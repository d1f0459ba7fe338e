#include "transfer/transferengine.h"

#include "core/eventlog.h"
#include "messaging/messaginghost.h"
#include "messaging/peerlog.h"
#include "platform/descriptors.h"
#include "transfer/incomingoffers.h"
#include "transfer/incomingtransfer.h"
#include "transfer/outgoingoffers.h"
#include "transfer/outgoingtransfer.h"
#include "transfer/transferhost.h"
#include "transfer/transferprotocol.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace Protocol = TransferProtocol;
using Kind = TransferHost::Question::Kind;

namespace {

// Takes a stream that will not be written over and drops it at once, so that a peer cannot
// keep the listener reading bytes nobody wants.
class RefusingSink final : public StreamSink {
public:
    RefusingSink() = default;
    Q_DISABLE_COPY_MOVE(RefusingSink)
    bool adoptConnection(qintptr descriptor, const QByteArray&) override
    {
        CloseDescriptor(descriptor);
        return true;
    }
    void write(QByteArrayView) override {}
    void finish(bool, const QString&) override {}
};

QString quotedName(const QString& path)
{
    return u'"' + QFileInfo(path).fileName() + u'"';
}

} // namespace

TransferEngine::TransferEngine(TransferConfig config, TransferServices services, QObject* parent)
    : QObject(parent)
    , m_config(std::move(config))
    , m_services(std::move(services))
    , m_expected(m_config.destinationLifetimeMs, m_config.maxAcceptancesPerPeer)
    , m_reports(m_services.settings, m_services.host, m_services.history)
    , m_incoming(std::make_unique<IncomingOffers>(m_config, m_services, m_expected))
    , m_outgoing(std::make_unique<OutgoingOffers>(m_config, m_services))
{}

TransferEngine::~TransferEngine()
{
    stop();
}

void TransferEngine::stop()
{
    m_stopped = true;
    m_incoming->stop();
    m_outgoing->stop();
    m_waiting.clear();
    for (const std::shared_ptr<Transfer>& transfer : std::as_const(m_active))
        transfer->cancel();
}

int TransferEngine::waitingQuestions() const
{
    return m_incoming->waitingQuestions();
}

void TransferEngine::offerFiles(const QStringList& addresses, const QStringList& paths)
{
    m_outgoing->offerFiles(addresses, paths);
}

void TransferEngine::offerImage(const QStringList& addresses, const QString& path)
{
    m_outgoing->offerImage(addresses, path);
}

void TransferEngine::statusReceived(const QString&, const QString&) {}

void TransferEngine::fileOfferReceived(const QString& line, const QString& peerIp)
{
    m_incoming->offerReceived(Kind::File, Protocol::parseSingleOffer(line), peerIp);
}

void TransferEngine::filesOfferReceived(const QString& body, const QString& peerIp)
{
    m_incoming->offerReceived(Kind::Files, Protocol::parseListOffer(body), peerIp);
}

void TransferEngine::imageOfferReceived(const QString& line, const QString& peerIp)
{
    m_incoming->offerReceived(Kind::Image, Protocol::parseSingleOffer(line), peerIp);
}

void TransferEngine::writeFileReceived(const QString& item, const QString& peerIp)
{
    if (m_stopped)
        return;
    const std::shared_ptr<OutgoingTransfer> transfer = m_outgoing->acceptanceReceived(item, peerIp);
    if (!transfer)
        return;
    track(transfer);
    connect(transfer.get(), &Transfer::fileEnded, this,
            [this, contact = transfer->contact()](int, const QString& path, bool ok, const QString& error) {
                if (ok)
                    m_reports.fileSent(contact, path);
                else
                    m_services.host.showBalloon(u"Передача "_s + quotedName(path), error,
                                                MessagingHost::BalloonLevel::Error);
            });
    m_services.transferHost.transferStarted(transfer);
    transfer->start();
}

std::unique_ptr<StreamSink> TransferEngine::refuseStream(const QString& peerIp, const QString& error,
                                                         bool tellUser)
{
    m_services.peerLog.error(peerIp, u"<VTL_FILE>: "_s + error);
    if (tellUser)
        m_services.host.showBalloon(u"Vantrel"_s, error, MessagingHost::BalloonLevel::Error);
    return std::make_unique<RefusingSink>();
}

std::unique_ptr<StreamSink> TransferEngine::fileStreamStarting(const QString& line, const QString& peerIp)
{
    if (m_stopped)
        return std::make_unique<RefusingSink>();
    const Protocol::StreamHeader header = Protocol::parseStreamHeader(line);
    const std::optional<ExpectedStreams::Expected> expected = m_expected.take(peerIp, header.destination);
    if (!expected)
        return refuseStream(peerIp,
                            u"запись в \""_s + header.destination +
                                u"\" не разрешена: этот адрес не получал согласия на неё"_s,
                            false);
    const std::optional<qint64> size = Protocol::parseSize(header.size);
    const std::optional<bool> isImage = Protocol::parseBool(header.isImage);
    QString problem;
    if (!size)
        problem = u"размер файла \""_s + header.size + u"\" не является числом"_s;
    else if (!isImage)
        problem = u"признак картинки \""_s + header.isImage + u"\" не распознан"_s;
    else if (*size != Protocol::parseSize(expected->size))
        problem =
            u"размер файла "_s + header.size + u" не совпадает с предложенным ("_s + expected->size + u')';
    if (!problem.isEmpty()) {
        m_expected.fileEnded(expected->acceptance);
        if (expected->isImage)
            QDir(QFileInfo(expected->path).path()).removeRecursively();
        return refuseStream(peerIp, u"файл \""_s + expected->path + u"\" не принят: "_s + problem, true);
    }

    // The kind of the file is the one accepted, whatever the stream says.
    auto transfer = std::make_shared<IncomingTransfer>(expected->contact, expected->path, *size,
                                                       expected->isImage, m_config.idleTimeoutMs);
    track(transfer);
    const int acceptance = expected->acceptance;
    IncomingTransfer* incoming = transfer.get();
    connect(incoming, &Transfer::fileEnded, this,
            [this, incoming, acceptance, peerIp](int, const QString&, bool ok, const QString& error) {
                onIncomingEnded(*incoming, acceptance, peerIp, ok, error);
            });
    // Started once its bytes have a source, as soon as the limits allow.
    connect(incoming, &IncomingTransfer::ready, this,
            [this, weak = std::weak_ptr<IncomingTransfer>(transfer), peerIp] {
                if (const std::shared_ptr<IncomingTransfer> ready = weak.lock(); ready && !m_stopped) {
                    m_waiting.append({ready, peerIp});
                    startWaiting();
                }
            });
    m_services.transferHost.transferStarted(transfer);
    return IncomingTransfer::sinkFor(transfer);
}

void TransferEngine::startWaiting()
{
    for (qsizetype i = 0; i < m_waiting.size() && m_streams < m_config.maxStreams;) {
        const Waiting& next = m_waiting.at(i);
        if (m_streamsOf.value(next.peer) >= m_config.maxStreamsPerPeer) {
            ++i;
            continue;
        }
        const Waiting started = m_waiting.takeAt(i);
        ++m_streams;
        ++m_streamsOf[started.peer];
        started.transfer->start();
    }
}

void TransferEngine::onIncomingEnded(const IncomingTransfer& transfer, int acceptance, const QString& peerIp,
                                     bool ok, const QString& error)
{
    --m_streams;
    if (--m_streamsOf[peerIp] <= 0)
        m_streamsOf.remove(peerIp);
    startWaiting();
    m_expected.fileEnded(acceptance);
    const QString& path = transfer.destination();
    if (!ok) {
        if (transfer.isImage())
            QDir(QFileInfo(path).path()).removeRecursively();
        m_services.peerLog.error(peerIp, u"файл \""_s + path + u"\" не принят: "_s + error);
        m_services.host.showBalloon(u"Vantrel"_s, u"Файл "_s + quotedName(path) + u" не принят: "_s + error,
                                    MessagingHost::BalloonLevel::Error);
        return;
    }
    if (transfer.isImage())
        m_services.transferHost.pictureReceived(transfer.contact(), path);
    else
        m_reports.fileReceived(transfer.contact(), path);
}

void TransferEngine::track(const std::shared_ptr<Transfer>& transfer)
{
    Transfer* key = transfer.get();
    m_active.insert(key, transfer);
    connect(key, &Transfer::finished, this, [this, key] {
        // Kept alive until the listeners of finished() have run.
        const std::shared_ptr<Transfer> keep = m_active.take(key);
        Q_EMIT transferFinished(key);
    });
}

} // namespace vantrel
