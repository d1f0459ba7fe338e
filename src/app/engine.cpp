#include "app/engine.h"

#include "app/apphost.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistlookup.h"
#include "messaging/messagingengine.h"
#include "platform/autostart.h"
#include "platform/keyboardlayout.h"
#include "platform/platformservices.h"
#include "platform/speaker.h"
#include "settings/settings.h"

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
    m_settings->fillEmptyValues(m_paths.documentsDir, m_paths.programDataDir);
    m_settings->saveAll();
    if (m_settings->fmConfig.dxCheckbox_RUS_Checked.value())
        m_platform->keyboardLayout->activate(LayoutId::Russian);
    loadContacts();
    startMessaging();
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
    // Until transfers exist the headless mode refuses offers; the windows leave them to the user.
    config.refuseOffers = m_commandLine.headless;
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

void Engine::stop()
{
    if (!m_started || m_stopped)
        return;
    m_stopped = true;
    m_messaging.reset();
    m_contacts.reset();
    m_contactList.reset();
    m_eventLog.information(u"Завершение программы: "_s + m_names.userName);
}

} // namespace vantrel
