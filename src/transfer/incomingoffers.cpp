#include "transfer/incomingoffers.h"

#include "core/eventlog.h"
#include "core/tags.h"
#include "core/utilities.h"
#include "messaging/contactlookup.h"
#include "messaging/messaginghost.h"
#include "messaging/peerlog.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"
#include "settings/safefilename.h"
#include "settings/settings.h"
#include "transfer/backgroundwork.h"
#include "transfer/expectedstreams.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QStorageInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace Codec = ProtocolCodec;
namespace Protocol = TransferProtocol;

namespace {

// The nearest folder of `path` that exists, where the free space can be asked.
QString existingFolder(const QString& path)
{
    QString folder = QDir::cleanPath(path);
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return {};
        folder = parent;
    }
    return folder;
}

// Free space below `folder` for `needed` bytes; the reason when there is too little.
QString checkSpace(const QString& folder, qint64 needed)
{
    const QString existing = existingFolder(folder);
    if (existing.isEmpty() || needed <= 0)
        return {};
    const QStorageInfo storage(existing);
    if (!storage.isValid() || storage.bytesAvailable() < 0 || needed <= storage.bytesAvailable())
        return {};
    return u"Недостаточно места на диске для приёма в \""_s + folder + u"\": нужно "_s +
           FormatFileSize(needed) + u", свободно "_s + FormatFileSize(storage.bytesAvailable()) + u'.';
}

QString joinPath(const QString& folder, const QString& name)
{
    const QString clean = QDir::cleanPath(folder);
    return clean.endsWith(u'/') ? QString(clean + name) : QString(clean + u'/' + name);
}

} // namespace

IncomingOffers::IncomingOffers(const TransferConfig& config, TransferServices services,
                               ExpectedStreams& expected, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_services(std::move(services))
    , m_expected(expected)
{
    m_pool.setMaxThreadCount(2);
}

IncomingOffers::~IncomingOffers()
{
    stop();
}

void IncomingOffers::stop()
{
    m_stopped = true;
    m_pool.waitForDone();
}

QString IncomingOffers::senderFolder(const QString& contact) const
{
    return joinPath(m_services.settings.fmConfig.Edit_AutoFolder_Text.value(), SafeFileName(contact));
}

TransferHost::Question IncomingOffers::question(Kind kind, const QString& contact,
                                                const TransferProtocol::Offer& offer)
{
    TransferHost::Question q;
    q.kind = kind;
    q.contact = contact;
    const QString name = Protocol::receivedFileName(offer.files.value(0));
    switch (kind) {
    case Kind::File:
        q.title = u"Запрос на передачу файла"_s;
        q.text = contact + u" предлагает принять файл \""_s + name + u"\" "_s +
                 Protocol::sizeText(offer.sizes.value(0)) + u"\r\n\r\nПринять файл?"_s;
        break;
    case Kind::Image:
        q.title = u"Запрос на передачу картинки"_s;
        q.text = contact + u" предлагает принять картинку \""_s + name + u"\" "_s +
                 Protocol::sizeText(offer.sizes.value(0)) + u"\r\n\r\nПринять картинку?"_s;
        break;
    case Kind::Files: {
        QString names;
        for (const QString& file : offer.files.mid(0, 10))
            names += Protocol::receivedFileName(file) + u"\r\n"_s;
        if (offer.files.size() > 10)
            names += u"..........\r\n"_s;
        const std::optional<qint64> total = Protocol::parseSize(offer.totalSize);
        q.title = u"Запрос на передачу файлов"_s;
        q.text = contact + u" предлагает принять файлы ("_s + QString::number(offer.files.size()) +
                 u" шт. "_s + (total ? FormatFileSize(*total) : QString()) + u"):\r\n"_s + names +
                 u"\r\nПринять файлы?"_s;
        break;
    }
    }
    q.fileName = name;
    return q;
}

void IncomingOffers::offerReceived(Kind kind, const TransferProtocol::Offer& offer, const QString& peerIp)
{
    if (m_stopped)
        return;
    const auto& config = m_services.settings.fmConfig;
    const QString contact = m_services.contacts.nickFor(offer.from);
    if (offer.files.isEmpty())
        return refuse(kind, offer, peerIp, u"в предложении нет файлов"_s);
    if (offer.files.size() > m_config.maxFilesPerOffer)
        return refuse(kind, offer, peerIp,
                      u"в предложении %1 файлов, принимается не больше %2"_s.arg(offer.files.size())
                          .arg(m_config.maxFilesPerOffer));
    if (!m_expected.hasRoomFor(peerIp))
        return refuse(kind, offer, peerIp, u"слишком много неиспользованных согласий этому адресу"_s);
    if (kind == Kind::Image && m_config.picturesDir.isEmpty())
        return refuse(kind, offer, peerIp, u"нет личной папки для картинок"_s);

    const Accepted accepted{kind, offer, peerIp, contact, {}, {}};
    // Pictures are always asked for; files from contacts may be taken without a question.
    const bool automatic = kind != Kind::Image && config.Checkbox_AutoContact_Checked.value() &&
                           m_services.contacts.indexOf(contact) >= 0;
    if (automatic)
        return accept(accepted);
    if (m_waiting >= m_config.maxWaitingQuestions)
        return refuse(kind, offer, peerIp, u"слишком много вопросов ждут ответа"_s);

    TransferHost::Question q = question(kind, contact, offer);
    q.chooseDestination = kind != Kind::Image && !config.Checkbox_AutoFolder_Checked.value() &&
                          !config.Checkbox_AutoContact_Checked.value();
    q.folder = kind == Kind::Image ? QString() : senderFolder(contact);
    ++m_waiting;
    const QPointer<IncomingOffers> self(this);
    m_services.transferHost.askOffer(q, [self, accepted](const TransferHost::Answer& answer) {
        if (self)
            self->answered(accepted, answer);
    });
}

void IncomingOffers::answered(const Accepted& accepted, const TransferHost::Answer& answer)
{
    --m_waiting;
    if (m_stopped)
        return;
    if (!answer.accepted)
        return refuse(accepted.kind, accepted.offer, accepted.peer);
    Accepted chosen = accepted;
    if (accepted.kind == Kind::File)
        chosen.file = answer.destination;
    else if (accepted.kind == Kind::Files)
        chosen.folder = answer.destination;
    accept(chosen);
}

void IncomingOffers::accept(const Accepted& accepted)
{
    Accepted work = accepted;
    // The folder is read here: the settings belong to this thread.
    if (work.kind == Kind::Image)
        work.folder = m_config.picturesDir;
    else if (work.folder.isEmpty() && work.file.isEmpty())
        work.folder = senderFolder(work.contact);
    RunInBackground(
        m_pool, this, [this, work] { return prepare(work); },
        [this, work](const Prepared& prepared) { acceptPrepared(work, prepared); });
}

IncomingOffers::Prepared IncomingOffers::prepare(const Accepted& accepted) const
{
    Prepared prepared;
    QString folder = accepted.folder;
    qint64 needed = 0;
    for (const QString& size : accepted.offer.sizes)
        needed += Protocol::parseSize(size).value_or(0);
    if (accepted.kind == Kind::Image) {
        // Each picture in a folder of its own: two pictures of one name never meet.
        QTemporaryDir own(folder + u"/picture-XXXXXX"_s);
        if (!own.isValid()) {
            prepared.error = u"Не могу создать папку для картинки: "_s + own.errorString();
            return prepared;
        }
        own.setAutoRemove(false);
        prepared.pictureFolder = own.path();
        folder = own.path();
        prepared.destinations.append(
            joinPath(folder, Protocol::receivedFileName(accepted.offer.files.value(0))));
    } else if (!accepted.file.isEmpty()) {
        folder = QFileInfo(accepted.file).path();
        prepared.destinations.append(accepted.file);
    } else {
        // The receive folder too, should it have gone: an accepted file must have somewhere to go.
        QDir().mkpath(folder);
        for (const QString& path : accepted.offer.files)
            prepared.destinations.append(joinPath(folder, Protocol::receivedFileName(path)));
    }
    prepared.error = checkSpace(folder, needed);
    if (!prepared.error.isEmpty() && !prepared.pictureFolder.isEmpty())
        QDir(prepared.pictureFolder).removeRecursively();
    return prepared;
}

void IncomingOffers::acceptPrepared(const Accepted& accepted, const Prepared& prepared)
{
    if (m_stopped) {
        if (!prepared.pictureFolder.isEmpty())
            QDir(prepared.pictureFolder).removeRecursively();
        return;
    }
    if (!prepared.error.isEmpty()) {
        m_services.host.showBalloon(u"Vantrel"_s, prepared.error, MessagingHost::BalloonLevel::Error);
        return refuse(accepted.kind, accepted.offer, accepted.peer, prepared.error);
    }
    QList<ExpectedStreams::Destination> destinations;
    for (qsizetype i = 0; i < prepared.destinations.size(); ++i)
        destinations.append({prepared.destinations.at(i), accepted.offer.sizes.value(i)});
    const bool isImage = accepted.kind == Kind::Image;
    m_expected.add(accepted.peer, destinations, isImage, accepted.contact);
    m_services.commands.sendCommand(accepted.peer, Codec::Header::WriteFile, true,
                                    Protocol::acceptanceBody(accepted.offer.files, prepared.destinations,
                                                             accepted.offer.sizes, isImage,
                                                             accepted.kind == Kind::Files));
}

void IncomingOffers::refuse(Kind kind, const TransferProtocol::Offer& offer, const QString& peer,
                            const QString& reason)
{
    // A refusal the user chose is always sent; one the program makes by itself is an answer to
    // whatever the peer sends, so it goes within the limits of answers and cannot be flooded.
    const bool automatic = !reason.isEmpty();
    if (automatic)
        m_services.peerLog.error(peer, u"предложение файлов отклонено: "_s + reason);
    const auto send = [&](QAnyStringView header, const QString& body = {}) {
        if (automatic)
            m_services.commands.answer(peer, header, body);
        else
            m_services.commands.sendCommand(peer, header, false, body);
    };
    switch (kind) {
    case Kind::File:
        return send(Codec::Header::NoAcceptFile, MakeTag(u"FILE", offer.files.value(0)));
    case Kind::Files:
        return send(Codec::Header::NoAcceptFiles);
    case Kind::Image:
        return send(Codec::Header::NoAcceptImage);
    }
}

} // namespace vantrel
