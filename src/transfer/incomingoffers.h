#pragma once

#include "transfer/transferconfig.h"
#include "transfer/transferhost.h"
#include "transfer/transferprotocol.h"
#include "transfer/transferservices.h"

#include <QObject>
#include <QThreadPool>

namespace vantrel {

class ExpectedStreams;

// The receiver's side of offers: decides by the automatic rules or asks the user (never
// waiting for the answer), chooses the destinations, checks the free space and answers with
// `<VTL_WRITE_FILE>` or the matching refusal. Every destination it names is remembered in
// `expected`, so that only those are ever written.
class IncomingOffers final : public QObject {
    Q_OBJECT
public:
    using Kind = TransferHost::Question::Kind;

    IncomingOffers(const TransferConfig& config, TransferServices services, ExpectedStreams& expected,
                   QObject* parent = nullptr);
    ~IncomingOffers() override;
    Q_DISABLE_COPY_MOVE(IncomingOffers)

    void offerReceived(Kind kind, const TransferProtocol::Offer& offer, const QString& peerIp);
    // Questions asked and not yet answered.
    int waitingQuestions() const { return m_waiting; }
    // No answer is sent any more (the program is ending).
    void stop();

    // The per-sender folder: the receive folder + the sender's contact name, mapped to a safe name.
    QString senderFolder(const QString& contact) const;
    static TransferHost::Question question(Kind kind, const QString& contact,
                                           const TransferProtocol::Offer& offer);

private:
    struct Accepted {
        Kind kind;
        TransferProtocol::Offer offer;
        QString peer;
        QString contact;
        QString folder; // the folder the files go to (the user's choice, or the default)
        QString file;   // one file: the path the user chose in the save dialog
    };
    struct Prepared {
        QStringList destinations;
        QString pictureFolder;
        QString error;
    };

    void answered(const Accepted& accepted, const TransferHost::Answer& answer);
    void accept(const Accepted& accepted);
    void acceptPrepared(const Accepted& accepted, const Prepared& prepared);
    void refuse(Kind kind, const TransferProtocol::Offer& offer, const QString& peer,
                const QString& reason = {});
    Prepared prepare(const Accepted& accepted) const;

    TransferConfig m_config;
    TransferServices m_services;
    ExpectedStreams& m_expected;
    QThreadPool m_pool;
    int m_waiting = 0;
    bool m_stopped = false;
};

} // namespace vantrel
