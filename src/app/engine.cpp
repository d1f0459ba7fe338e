#include "app/engine.h"

#include "app/apphost.h"
#include "app/handoverrecord.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistlookup.h"
#include "core/utilities.h"
#include "messaging/messageprocessor.h"
#include "messaging/messagesender.h"
#include "messaging/messagingengine.h"
#include "messaging/messengerpopup.h"
#include "messaging/tcpcommandsender.h"
#include "platform/autostart.h"
#include "platform/keyboardlayout.h"
#include "platform/platformservices.h"
#include "platform/privatefolder.h"
#include "platform/speaker.h"
#include "presence/ipworker.h"
#include "presence/nettools.h"
#include "presence/pingworker.h"
#include "presence/reachability.h"
#include "presence/sendernamecheck.h"
#include "presence/statusbroadcaster.h"
#include "presence/statusreceiver.h"
#include "settings/settings.h"
#include "shell/versioncheck.h"
#include "transfer/transferengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// Without windows a beep is also reported on standard error, so that it can be noticed on
// a machine without a speaker (and observed by tests).
class ReportingSpeaker final : public Speaker {
public:
    explicit ReportingSpeaker(Speaker& speaker)
        : m_speaker(speaker)
    {}
    void beep(int frequencyHz, int durationMs) override
    {
        const QByteArray line = QByteArray("vantrel: beep ") + QByteArray::number(frequencyHz) + " Hz " +
                                QByteArray::number(durationMs) + " ms\n";
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
        m_speaker.beep(frequencyHz, durationMs);
    }

private:
    Speaker& m_speaker;
};

} // namespace

Engine::Engine(const CommandLine& commandLine, AppPaths paths, AppHost& host, QObject* parent)
    : QObject(parent)
    , m_commandLine(commandLine)
    , m_paths(std::move(paths))
    , m_host(host)
    , m_eventLog(m_logWriter, m_paths.eventLogFile)
    , m_platform(createPlatformServices())
{
    // A log file that exists but cannot be opened is reported on the main thread,
    // whichever thread appended to it.
    QPointer<Engine> self(this);
    m_logWriter.setOpenFailedHandler([self](const QString& path) {
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self,
            [self, path] {
                if (self)
                    self->m_host.ShowBalloonHint(u"Vantrel"_s, LogWriter::openFailedText(path), 10,
                                                 AppHost::Error);
            },
            Qt::QueuedConnection);
    });
}

Engine::~Engine()
{
    stop();
}

QString Engine::autorunCommand() const
{
    return m_platform->autostart->makeCommand(QCoreApplication::applicationFilePath(), u"m"_s);
}

bool Engine::settingsExistedAtStart() const
{
    return m_settings && m_settings->fileExistedAtStart();
}

void Engine::applyAutorunSwitches()
{
    const QString name = QString::fromLatin1(kAutorunName);
    if (m_commandLine.autorunAdd)
        m_platform->autostart->addAutorun(name, autorunCommand());
    if (m_commandLine.autorunDelete && !m_platform->autostart->deleteAutorun(name))
        m_host.showErrorBox(u"Ошибка"_s, u"Ошибка удаления параметра из реестра!"_s);
}

void Engine::start()
{
    if (m_started)
        return;
    m_started = true;
    applyAutorunSwitches();
    m_names = ReadLocalNames();
    m_paths.createFolders();
    m_eventLog.information(u"Запуск программы: "_s + m_names.userName);

    m_settings = std::make_unique<Settings>(m_paths.settingsFile);
    // A settings file that cannot be read or written (a full disk, no permission) is reported;
    // the file on disk stays as it was.
    if (!m_settings->lastError().isEmpty())
        reportSettingsFailure(m_settings->path(), m_settings->lastError());
    connect(m_settings.get(), &Settings::saveFailed, this, &Engine::reportSettingsFailure);
    m_settings->fillEmptyValues(m_paths.documentsDir, m_paths.programDataDir);
    m_settings->saveAll();
    if (m_settings->fmConfig.dxCheckbox_RUS_Checked.value())
        m_platform->keyboardLayout->activate(LayoutId::Russian);
    loadContacts();
    startMessaging();
    startTransfers();
    startPresence();
    m_versionCheck = std::make_unique<VersionCheck>(*m_settings, m_eventLog, m_host, m_paths.updateInfoFile,
                                                    ProgramVersionText());
    m_versionCheck->start();
}

void Engine::reportSettingsFailure(const QString& path, const QString& error)
{
    const QString text = u"Ошибка файла настроек \""_s + path + u"\": "_s + error;
    m_eventLog.error(text);
    m_host.ShowBalloonHint(u"Vantrel"_s, text, 10, AppHost::Error);
}

void Engine::loadContacts()
{
    m_contactList = std::make_unique<ContactList>(*m_settings, m_host, m_paths.contactsFile);
    m_contactList->CheckGeneralList();
    m_contactList->MySetStatus(m_settings->fmConfig.ComboBox_Comp_ItemIndex.value());
    m_contacts = std::make_unique<ContactListLookup>(*m_contactList);
}

void Engine::startMessaging()
{
    MessagingEngine::Config config;
    if (!m_commandLine.bindAddress.isEmpty()) {
        config.listener.address = QHostAddress(m_commandLine.bindAddress);
        config.outgoing.bindAddress = config.listener.address;
    }
    Speaker* speaker = m_platform->speaker.get();
    if (m_commandLine.headless) {
        m_reportingSpeaker = std::make_unique<ReportingSpeaker>(*speaker);
        speaker = m_reportingSpeaker.get();
    }
    m_messaging = std::make_unique<MessagingEngine>(config,
                                                    MessagingEngine::Services{*m_settings, m_eventLog,
                                                                              *m_contacts, m_host, *speaker,
                                                                              *m_platform->soundPlayer},
                                                    m_paths.logsDir, m_names);
    // A listener that cannot open has written its Listen Error line; the program goes on.
    m_messaging->start();
}

void Engine::startTransfers()
{
    TransferConfig config;
    config.outgoing = m_messaging->commands().config();
    config.picturesDir = PrivateFolder(u"pictures"_s);
    MessageSender& sender = m_messaging->sender();
    m_transfers = std::make_unique<TransferEngine>(
        config, TransferServices{*m_settings, *m_contacts, m_host, m_host, m_messaging->peerLog(),
                                 m_messaging->history(), m_messaging->commands(),
                                 [&sender] { return sender.senderName(); }});
}

void Engine::handOverFiles(const QString& target, const QStringList& files)
{
    if (!isRunning() || files.isEmpty())
        return;
    QStringList addresses;
    if (target == u"-"_s) {
        MessageSender& sender = m_messaging->sender();
        const std::optional<MessageSender::Recipients> chosen = sender.chooseRecipients({}, false);
        if (!chosen)
            return;
        addresses = chosen->addresses;
        sender.recipientsHandled();
    } else {
        const int index = m_contactList->MyGetIndex(target);
        if (index < 0 || m_contactList->IsGroup(index)) {
            m_host.ShowBalloonHint(u"Vantrel"_s,
                                   u"\""_s + target + u"\" нет в списке контактов: файлы не переданы."_s, 10,
                                   AppHost::Warning);
            return;
        }
        addresses.append(m_contactList->GetIPFromList(index));
    }
    const QString suffix = QFileInfo(files.constFirst()).suffix().toLower();
    if (files.size() == 1 && (suffix == u"jpg"_s || suffix == u"gif"_s || suffix == u"bmp"_s))
        m_transfers->offerImage(addresses, files.constFirst());
    else
        m_transfers->offerFiles(addresses, files);
}

void Engine::handleHandOver(const HandOverRecord& record)
{
    if (!isRunning())
        return;
    if (const std::optional<FileHandOver> files = parseFileHandOver(record)) {
        handOverFiles(files->target, files->files);
        return;
    }
    if (record.kind != HandOverRecord::RussianPopup && record.kind != HandOverRecord::EnglishPopup)
        return;
    const bool english = record.kind == HandOverRecord::EnglishPopup;
    const MessengerPopup popup = parseMessengerPopup(
        record.text, english ? MessengerPopup::Language::English : MessengerPopup::Language::Russian);
    // A text that names no sender is shown under the name of the service's own popup window:
    // a conversation needs a partner.
    QString sender = popup.sender.trimmed();
    if (sender.isEmpty())
        sender = english ? u"Messenger Service"_s : u"Служба сообщений"_s;
    m_messaging->messages().processFields(sender, popup.date, popup.message);
}

void Engine::startPresence()
{
    // Status reports are taken here; transfer requests go on to the transfer engine.
    m_statusReceiver = std::make_unique<StatusReceiver>(*m_contactList, m_messaging->peerLog(), *m_transfers);
    m_messaging->setRequestHandler(*m_statusReceiver);

    ProbeConfig probes;
    probes.outgoing = m_messaging->commands().config();
    m_netTools = std::make_unique<NetTools>(*m_platform->icmpPinger, probes);
    m_reachability = std::make_unique<Reachability>(*m_netTools);
    m_senderNameCheck =
        std::make_unique<SenderNameCheck>(*m_settings, *m_reachability, m_host, m_names.computerName);
    m_messaging->sender().setSenderNameSource([this] { return m_senderNameCheck->senderName(); });
    const auto settingsShowing = [this] { return m_settingsDialogShowing; };
    m_pingWorker = std::make_unique<PingWorker>(*m_contactList, *m_reachability, m_eventLog, settingsShowing);
    MessageSender& sender = m_messaging->sender();
    m_status = std::make_unique<StatusBroadcaster>(
        *m_contactList, m_messaging->commands(), m_eventLog, [&sender] { return sender.senderName(); },
        settingsShowing);

    connect(&m_pingTimer, &QTimer::timeout, m_pingWorker.get(), [this] { m_pingWorker->start(); });
    connect(m_settings.get(), &Settings::changed, this, [this](const QString&, const QString& key) {
        if (key.startsWith(u"Timer_Ping_"_s))
            applyPingTimerSettings();
    });
    applyPingTimerSettings();

    m_ipWorker = std::make_unique<IpWorker>(*m_contactList, *m_netTools, m_eventLog, settingsShowing);
    m_ipTimer.setInterval(kIpRefreshIntervalMs);
    connect(&m_ipTimer, &QTimer::timeout, m_ipWorker.get(), [this] { m_ipWorker->start(); });
    const auto followList = [this](bool sharedInUse) {
        if (sharedInUse)
            m_ipTimer.stop();
        else if (!m_ipTimer.isActive())
            m_ipTimer.start();
    };
    connect(m_contactList.get(), &ContactList::sharedListInUseChanged, this, followList);
    followList(m_contactList->isSharedListInUse());

    connect(m_pingWorker.get(), &PingWorker::started, this, &Engine::updatePresenceBusy);
    connect(m_pingWorker.get(), &PingWorker::finished, this, &Engine::updatePresenceBusy);
    connect(m_ipWorker.get(), &IpWorker::started, this, &Engine::updatePresenceBusy);
    connect(m_ipWorker.get(), &IpWorker::finished, this, &Engine::updatePresenceBusy);
    connect(m_status.get(), &StatusBroadcaster::started, this, &Engine::updatePresenceBusy);
    connect(m_status.get(), &StatusBroadcaster::finished, this, &Engine::updatePresenceBusy);

    m_pingWorker->start();
    m_senderNameCheck->CheckEditFrom();
}

bool Engine::isPresenceBusy() const
{
    return (m_pingWorker && m_pingWorker->isRunning()) || (m_ipWorker && m_ipWorker->isRunning()) ||
           (m_status && m_status->isRunning());
}

void Engine::updatePresenceBusy()
{
    const bool busy = isPresenceBusy();
    if (busy == m_presenceBusy)
        return;
    m_presenceBusy = busy;
    Q_EMIT presenceBusyChanged(busy);
}

void Engine::applyPingTimerSettings()
{
    const int interval = m_settings->VTLForm.Timer_Ping_Interval.value();
    m_pingTimer.setInterval(interval > 0 ? interval : 300000);
    if (m_settings->VTLForm.Timer_Ping_Enabled.value() && interval > 0)
        m_pingTimer.start();
    else
        m_pingTimer.stop();
}

void Engine::SetStatus(int code)
{
    if (m_status)
        m_status->SetStatus(code);
}

void Engine::stop()
{
    if (!m_started || m_stopped)
        return;
    m_stopped = true;
    m_versionCheck.reset();
    m_pingTimer.stop();
    m_ipTimer.stop();
    m_pingWorker.reset();
    m_ipWorker.reset();
    m_status.reset();
    m_messaging->sender().setSenderNameSource({});
    m_senderNameCheck.reset();
    m_reachability.reset();
    m_netTools.reset();
    // Transfers stop first and answer nothing more; the listener may still hand requests to
    // the handlers until it is gone.
    m_transfers->stop();
    m_messaging.reset();
    m_statusReceiver.reset();
    m_transfers.reset();
    m_contacts.reset();
    m_contactList.reset();
    m_eventLog.information(u"Завершение программы: "_s + m_names.userName);
}

} // namespace vantrel
