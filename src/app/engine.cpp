#include "app/engine.h"

#include "app/apphost.h"
#include "platform/autostart.h"
#include "platform/keyboardlayout.h"
#include "platform/platformservices.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace vantrel {

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
}

void Engine::stop()
{
    if (!m_started || m_stopped)
        return;
    m_stopped = true;
    m_eventLog.information(u"Завершение программы: "_s + m_names.userName);
}

} // namespace vantrel
