#include "app/gui/shellservices.h"

#include "app/apphost.h"
#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "core/utilities.h"
#include "platform/platformservices.h"
#include "presence/statusbroadcaster.h"
#include "settings/settings.h"
#include "shell/aboutbox.h"
#include "shell/answeringmenu.h"
#include "shell/awaymode.h"
#include "shell/awaytexts.h"
#include "shell/hotkeybindings.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

qint64 monotonicMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.elapsed();
}

} // namespace

ShellServices::ShellServices(Engine& engine, MainWindow& mainWindow, AppHost& host,
                             std::function<void()> restore, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_mainWindow(mainWindow)
    , m_host(host)
    , m_restore(std::move(restore))
{
    Settings& settings = m_engine.settings();
    PlatformServices& platform = m_engine.platform();
    if (!platform.idleTime)
        platform.idleTime = createIdleTime();
    if (!platform.hotKeys)
        platform.hotKeys = createGlobalHotKeys();

    m_awayTexts =
        std::make_unique<AwayTexts>(settings, [this] { return m_engine.isSettingsDialogShowing(); });
    StatusBroadcaster& status = m_engine.status();
    AwayMode::Services services{settings,
                                *m_awayTexts,
                                *platform.sessionState,
                                platform.idleTime.get(),
                                []() -> std::optional<QPoint> { return QCursor::pos(); },
                                [&status] { return status.status(); },
                                [this](int code) { m_engine.SetStatus(code); },
                                &monotonicMs};
    m_awayMode = std::make_unique<AwayMode>(std::move(services));
    m_hotKeys = std::make_unique<HotKeyBindings>(*platform.hotKeys, settings, [this](const QString& text) {
        m_host.ShowBalloonHint(u"Vantrel"_s, text, 10, AppHost::Error);
    });
    connect(m_hotKeys.get(), &HotKeyBindings::mainActivated, this, [this] {
        if (m_restore)
            m_restore();
    });
    connect(m_hotKeys.get(), &HotKeyBindings::awayActivated, m_awayMode.get(), &AwayMode::toggleAway);
    m_awayTextMenu = new AnsweringMenu(*m_awayTexts, settings, &m_mainWindow);
    connect(&m_mainWindow, &MainWindow::helpRequested, this, &ShellServices::showHelp);
    connect(&m_mainWindow, &MainWindow::aboutRequested, this, &ShellServices::showAbout);
}

ShellServices::~ShellServices()
{
    qApp->removeEventFilter(this);
    // The menu lives in the main window but shows this object's texts.
    delete m_awayTextMenu;
}

void ShellServices::start()
{
    qApp->installEventFilter(this);
    m_awayMode->start();
    m_hotKeys->start();
}

void ShellServices::save()
{
    m_awayTexts->save();
}

bool ShellServices::eventFilter(QObject* watched, QEvent* event)
{
    // A key press travels up the parents: count it once, at the window it went to.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr || focus == watched)
            m_awayMode->keyPressed();
    }
    return QObject::eventFilter(watched, event);
}

QString ShellServices::helpFile(const QString& programDataDir)
{
    return programDataDir + u"/help/index.html"_s;
}

void ShellServices::showHelp()
{
    const QString file = helpFile(m_engine.paths().programDataDir);
    if (!QFileInfo(file).isFile()) {
        m_host.ShowBalloonHint(u"Vantrel"_s, u"Файл справки не найден: "_s + file, 10, AppHost::Error);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void ShellServices::showAbout()
{
    // One box at a time: the tray and the help menu can both ask for it.
    if (m_aboutShowing)
        return;
    m_aboutShowing = true;
    AboutBox box(ProgramVersionText(), QStringLiteral(VANTREL_HOMEPAGE),
                 [this](const QUrl& url) { m_host.openUrl(url); });
    box.exec();
    m_aboutShowing = false;
}

} // namespace vantrel
