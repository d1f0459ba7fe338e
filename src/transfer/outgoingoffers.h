#pragma once

#include "transfer/offerregistry.h"
#include "transfer/outgoingtransfer.h"
#include "transfer/transferconfig.h"
#include "transfer/transferservices.h"

#include <QObject>
#include <QThreadPool>

#include <memory>

namespace vantrel {

// The offerer's side: builds and sends the offers (one connection per recipient, never on the
// caller's thread for the file-system work), remembers what was offered to which address, and
// turns an acceptance into the sending of exactly those files that were offered to its sender.
class OutgoingOffers final : public QObject {
    Q_OBJECT
public:
    OutgoingOffers(const TransferConfig& config, TransferServices services, QObject* parent = nullptr);
    ~OutgoingOffers() override;
    Q_DISABLE_COPY_MOVE(OutgoingOffers)

    // One file as `<VTL_QUERY_FILE>`, several as `<VTL_QUERY_FILES>`, to each address in order.
    void offerFiles(const QStringList& addresses, const QStringList& paths);
    // A picture as `<VTL_IMAGE>`.
    void offerImage(const QStringList& addresses, const QString& path);
    // `<VTL_WRITE_FILE>` from `peerIp`: the transfer of the offered files it names, or nullptr
    // when it names none (each unknown entry leaves an Error line).
    std::shared_ptr<OutgoingTransfer> acceptanceReceived(const QString& body, const QString& peerIp);

    void stop();
    OfferRegistry& registry() { return m_registry; }

private:
    enum class Kind { File, Files, Image };
    struct Prepared {
        QStringList paths;
        QList<qint64> sizes;
    };
    void offer(Kind kind, const QStringList& addresses, const QStringList& paths);
    void send(Kind kind, const QString& address, const QStringList& peers, const Prepared& files);

    TransferConfig m_config;
    TransferServices m_services;
    OfferRegistry m_registry;
    QThreadPool m_pool;
    bool m_stopped = false;
};

} // namespace vantrel
