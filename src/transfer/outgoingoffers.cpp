#include "transfer/outgoingoffers.h"

#include "core/eventlog.h"
#include "core/utilities.h"
#include "messaging/contactlookup.h"
#include "messaging/peerlog.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"
#include "transfer/backgroundwork.h"
#include "transfer/transferprotocol.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace Codec = ProtocolCodec;
namespace Protocol = TransferProtocol;

OutgoingOffers::OutgoingOffers(const TransferConfig& config, TransferServices services, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_services(std::move(services))
    , m_registry(config.offerLifetimeMs, config.maxOffersPerPeer)
{
    m_pool.setMaxThreadCount(1);
}

OutgoingOffers::~OutgoingOffers()
{
    stop();
}

void OutgoingOffers::stop()
{
    m_stopped = true;
    m_pool.waitForDone();
}

void OutgoingOffers::offerFiles(const QStringList& addresses, const QStringList& paths)
{
    if (!paths.isEmpty())
        offer(paths.size() == 1 ? Kind::File : Kind::Files, addresses, paths);
}

void OutgoingOffers::offerImage(const QStringList& addresses, const QString& path)
{
    offer(Kind::Image, addresses, {path});
}

void OutgoingOffers::offer(Kind kind, const QStringList& addresses, const QStringList& paths)
{
    if (m_stopped || addresses.isEmpty())
        return;
    // Sizes and full paths come from the file system: not on this thread.
    RunInBackground(
        m_pool, this,
        [paths] {
            Prepared prepared;
            for (const QString& path : paths) {
                prepared.paths.append(QFileInfo(path).absoluteFilePath());
                prepared.sizes.append(GetFileSize64(path));
            }
            return prepared;
        },
        [this, kind, addresses](const Prepared& prepared) {
            if (m_stopped)
                return;
            // The acceptance comes from the recipient's address: the offer is remembered for
            // every IPv4 address its name stands for.
            for (const QString& address : addresses) {
                const QHostAddress literal(address.trimmed());
                if (literal.protocol() == QAbstractSocket::IPv4Protocol) {
                    send(kind, address, {literal.toString()}, prepared);
                    continue;
                }
                const QPointer<OutgoingOffers> self(this);
                QHostInfo::lookupHost(address, this, [self, kind, address, prepared](const QHostInfo& info) {
                    if (!self || self->m_stopped)
                        return;
                    QStringList peers;
                    for (const QHostAddress& found : info.addresses()) {
                        if (found.protocol() == QAbstractSocket::IPv4Protocol)
                            peers.append(found.toString());
                    }
                    self->send(kind, address, peers, prepared);
                });
            }
        });
}

void OutgoingOffers::send(Kind kind, const QString& address, const QStringList& peers, const Prepared& files)
{
    QStringList wire;
    for (const QString& path : files.paths)
        wire.append(m_registry.remember(peers, path));
    const QString from = m_services.senderName();
    switch (kind) {
    case Kind::File:
        m_services.commands.sendCommand(address, Codec::Header::QueryFile, true,
                                        Protocol::singleOfferBody(from, wire.value(0), files.sizes.value(0)));
        return;
    case Kind::Image:
        m_services.commands.sendCommand(address, Codec::Header::Image, true,
                                        Protocol::singleOfferBody(from, wire.value(0), files.sizes.value(0)));
        return;
    case Kind::Files:
        m_services.commands.sendCommand(address, Codec::Header::QueryFiles, true,
                                        Protocol::listOfferBody(from, wire, files.sizes));
        return;
    }
}

std::shared_ptr<OutgoingTransfer> OutgoingOffers::acceptanceReceived(const QString& body,
                                                                     const QString& peerIp)
{
    if (m_stopped)
        return nullptr;
    const Protocol::Acceptance acceptance = Protocol::parseAcceptance(body);
    QList<OutgoingTransfer::Item> items;
    for (qsizetype i = 0; i < acceptance.sources.size(); ++i) {
        const QString& source = acceptance.sources.at(i);
        const std::optional<QString> local = m_registry.take(peerIp, source);
        if (!local) {
            m_services.peerLog.error(peerIp, u"<VTL_WRITE_FILE>: файл \""_s + source +
                                                 u"\" этому адресу не предлагался; он не передаётся"_s);
            continue;
        }
        if (i >= acceptance.destinations.size()) {
            m_services.peerLog.error(peerIp, u"<VTL_WRITE_FILE>: для файла \""_s + source +
                                                 u"\" не указано, куда его записать"_s);
            continue;
        }
        items.append({*local, acceptance.destinations.at(i), acceptance.sizes.value(i)});
    }
    if (items.isEmpty())
        return nullptr;
    OutgoingTransfer::Connection connection;
    connection.peer = QHostAddress(peerIp);
    connection.port = m_config.outgoing.port;
    connection.bindAddress = m_config.outgoing.bindAddress;
    connection.connectTimeoutMs = m_config.outgoing.connectTimeoutMs;
    connection.writeTimeoutMs = m_config.outgoing.writeTimeoutMs;
    return std::make_shared<OutgoingTransfer>(m_services.contacts.nickFor(peerIp), m_services.senderName(),
                                              std::move(items), acceptance.isImage, connection);
}

} // namespace vantrel
