#include "app/gui/windowedmode.h"

#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "settings/settings.h"
#include "shell/trayicon.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>

using namespace Qt::StringLiterals;

// The icons are compiled into a static library: register them before first use.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace vantrel {

WindowedMode::WindowedMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent)
    : QObject(parent)
    , m_engine(std::make_unique<Engine>(commandLine, paths, *this))
    , m_mainWindow((initIconResources(), std::make_unique<MainWindow>()))
{}

WindowedMode::~WindowedMode()
{
    shutDown();
}

void WindowedMode::start()
{
    m_engine->start();
    Settings& settings = m_engine->settings();

    m_mainWindow->recipientBox()->setEditText(settings.VTLForm.ComboBox_Comp_Text.value());
    m_mainWindow->recipientBox()->setMaxVisibleItems(settings.VTLForm.ComboBox_Comp_DropDownCount.value());
    const WindowPlacement placement = settings.placement(Settings::MainWindowSectionName);
    if (placement.isValid())
        m_mainWindow->setGeometry(placement.left, placement.top, placement.width(), placement.height());
    if (!m_engine->settingsExistedAtStart())
        m_mainWindow->moveToRightEdge();

    m_trayAvailable = TrayIcon::isAvailable();
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::restoreRequested, m_mainWindow.get(), &MainWindow::restoreAndRaise);
    connect(m_tray, &TrayIcon::exitRequested, this, &WindowedMode::exitProgram);
    if (m_trayAvailable)
        m_tray->show();
    // Without a tray host the main window is the only way back in: it is always shown and
    // closing it only minimises it.
    m_mainWindow->setHideOnClose(m_trayAvailable);
    if (!m_engine->commandLine().startHidden || !m_trayAvailable)
        m_mainWindow->show();

    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { shutDown(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { shutDown(); });
}

void WindowedMode::saveMainWindow()
{
    if (!m_engine->isRunning())
        return;
    Settings& settings = m_engine->settings();
    settings.VTLForm.ComboBox_Comp_Text.setValue(m_mainWindow->recipientBox()->currentText());
    const QRect geometry = m_mainWindow->geometry();
    WindowPlacement placement = settings.placement(Settings::MainWindowSectionName);
    placement.left = geometry.left();
    placement.top = geometry.top();
    placement.right = geometry.left() + geometry.width();
    placement.bottom = geometry.top() + geometry.height();
    if (const QScreen* screen = m_mainWindow->screen())
        placement.pixelsPerInch = qRound(screen->logicalDotsPerInch());
    settings.setPlacement(Settings::MainWindowSectionName, placement);
}

void WindowedMode::exitProgram()
{
    saveMainWindow();
    // exit() rather than quit(): quit() first asks every window to close, and the main
    // window refuses (it only hides), which would cancel the quit.
    QCoreApplication::exit(0);
}

void WindowedMode::shutDown()
{
    if (!m_engine->isRunning())
        return;
    saveMainWindow();
    m_engine->stop();
}

void WindowedMode::handleInstanceCommand(const QByteArray& command)
{
    if (command == "restore")
        m_mainWindow->restoreAndRaise();
    else if (command == "exit")
        exitProgram();
}

void WindowedMode::ShowBalloonHint(const QString& title, const QString& text, int timeout, int level)
{
    if (m_tray && m_trayAvailable) {
        m_tray->showBalloon(title, text, timeout, level);
        return;
    }
    const QByteArray line = (u"vantrel: "_s + title + u": "_s + text).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
}

void WindowedMode::showErrorBox(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, m_mainWindow.get());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace vantrel
