#include "app/gui/windowedmode.h"

#include "app/engine.h"
#include "app/gui/conversationservices.h"
#include "app/gui/mainwindow.h"
#include "app/gui/settingscontroller.h"
#include "app/gui/shellservices.h"
#include "app/gui/transferwindows.h"
#include "app/handoverrecord.h"
#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "display/conversationwindow.h"
#include "display/conversationwindows.h"
#include "messaging/historylog.h"
#include "messaging/messagesender.h"
#include "messaging/messagingengine.h"
#include "platform/platformservices.h"
#include "presence/pingworker.h"
#include "presence/statusbroadcaster.h"
#include "settings/settings.h"
#include "shell/statusmenu.h"
#include "shell/trayicon.h"
#include "transfer/transferengine.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
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

    m_mainWindow->recipientBox()->setMaxVisibleItems(settings.VTLForm.ComboBox_Comp_DropDownCount.value());
    attachContacts();
    const WindowPlacement placement = settings.placement(Settings::MainWindowSectionName);
    if (placement.isValid())
        m_mainWindow->setGeometry(placement.left, placement.top, placement.width(), placement.height());
    if (!m_engine->settingsExistedAtStart())
        m_mainWindow->moveToRightEdge();

    m_trayAvailable = TrayIcon::isAvailable();
    m_tray = new TrayIcon(this);
    connect(m_tray, &TrayIcon::restoreRequested, this, &WindowedMode::restore);
    m_conversations = std::make_unique<ConversationServices>(*m_engine, *m_mainWindow, *this);
    m_transferWindows = std::make_unique<TransferWindows>(*m_engine, *this, *m_mainWindow,
                                                          m_conversations->windows(), [this] { restore(); });
    // The tray blinks while conversations wait; its hint names the one that opens next.
    connect(&m_conversations->windows(), &ConversationWindows::pendingChanged, this,
            [this](bool waiting, const QString& next) {
                m_tray->setFlashing(waiting);
                m_tray->setToolTip(waiting ? u"Сообщение от "_s + next : u"Vantrel"_s);
            });
    connect(m_mainWindow.get(), &MainWindow::writeMessageRequested, this, [this](const QString& recipient) {
        if (recipient.isEmpty()) {
            ShowBalloonHint(u"Vantrel"_s, u"Укажите сетевое имя!"_s, 10, Warning);
            return;
        }
        showPopupForm(recipient, false);
    });
    m_settings = std::make_unique<SettingsController>(
        *m_engine, *m_mainWindow, *this,
        SettingsController::Hooks{[this] { saveMainWindow(); },
                                  [this] { m_conversations->rebuildSmileys(); }});
    connect(m_mainWindow.get(), &MainWindow::settingsRequested, this, [this] { m_settings->showSettings(); });
    connect(m_mainWindow.get(), &MainWindow::computerBrowseRequested, this, [this] {
        const QString name = m_settings->browseForComputer(m_mainWindow.get());
        if (!name.isEmpty())
            m_mainWindow->chooseRecipient(name);
        m_mainWindow->restoreAndRaise();
    });
    connect(m_mainWindow.get(), &MainWindow::conversationRequested, this,
            [this](const QString& contact) { showPopupForm(contact, false); });
    connect(m_tray, &TrayIcon::exitRequested, this, &WindowedMode::exitProgram);
    // "Отправлять по IP" shows and sets the settings dialog's dxCheckbox_IP, saved at once.
    connect(m_tray, &TrayIcon::menuAboutToShow, this,
            [this] { m_tray->setIpChecked(m_engine->settings().fmConfig.dxCheckbox_IP_Checked.value()); });
    connect(m_tray, &TrayIcon::ipToggled, this, [this](bool checked) {
        Settings& current = m_engine->settings();
        current.fmConfig.dxCheckbox_IP_Checked.setValue(checked);
        current.saveSection(QString(Settings::ConfigSectionName));
    });
    m_shell = std::make_unique<ShellServices>(*m_engine, *m_mainWindow, *this, [this] { restore(); });
    connect(m_tray, &TrayIcon::aboutRequested, m_shell.get(), &ShellServices::showAbout);
    // Own status: both status menus set it; the engine's change updates the tray, the
    // status button and the ticks of both menus.
    connect(m_tray, &TrayIcon::statusChosen, this, [this](int code) { m_engine->SetStatus(code); });
    connect(m_mainWindow->statusMenu(), &StatusMenu::statusChosen, this,
            [this](int code) { m_engine->SetStatus(code); });
    // Presence workers: while one runs the settings and check buttons and "Выход" are
    // disabled; the check button's hint names the contact being checked.
    connect(m_mainWindow.get(), &MainWindow::wholeTreeCheckRequested, this,
            [this] { m_engine->pingWorker().start(); });
    connect(&m_engine->pingWorker(), &PingWorker::checking, m_mainWindow.get(),
            [this](const QString& name) { m_mainWindow->setCheckHint(u"Проверка "_s + name); });
    connect(m_engine.get(), &Engine::presenceBusyChanged, this, [this](bool busy) {
        m_mainWindow->setPresenceBusy(busy);
        m_tray->setExitEnabled(!busy);
    });
    m_mainWindow->setPresenceBusy(m_engine->isPresenceBusy());
    m_tray->setExitEnabled(!m_engine->isPresenceBusy());
    connect(&m_engine->status(), &StatusBroadcaster::statusChanged, this, [this](int code) {
        m_tray->setStatus(code);
        m_mainWindow->showStatus(code);
    });
    if (m_trayAvailable)
        m_tray->show();
    m_shell->start();
    // Without a tray host the main window is the only way back in: it is always shown and
    // closing it only minimises it.
    m_mainWindow->setHideOnClose(m_trayAvailable);
    if (!m_engine->commandLine().startHidden || !m_trayAvailable)
        m_mainWindow->show();

    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { commitSession(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { shutDown(); });
}

void WindowedMode::saveMainWindow()
{
    if (!m_engine->isRunning())
        return;
    Settings& settings = m_engine->settings();
    if (m_choice) {
        // While boxes are ticked the field shows several names; the selected node is stored.
        settings.VTLForm.ComboBox_Comp_Text.setValue(m_choice->storedText());
        settings.fmConfig.ComboBox_Comp_ItemIndex.setValue(m_choice->storedItemIndex());
    }
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

void WindowedMode::attachContacts()
{
    Settings& settings = m_engine->settings();
    m_choice = std::make_unique<RecipientChoice>(m_engine->contacts(), settings, *this);
    HistoryLog& history = m_engine->messaging().history();
    m_mainWindow->attachContacts({*m_choice, m_engine->contacts(), *this,
                                  *m_engine->platform().keyboardLayout,
                                  [&history](const QString& contact) { return history.pathFor(contact); }});
    m_choice->restore(settings.VTLForm.ComboBox_Comp_Text.value(),
                      settings.fmConfig.ComboBox_Comp_ItemIndex.value());
    m_engine->messaging().sender().setRecipientSource(m_choice.get());
}

bool WindowedMode::isAvailable(Command command) const
{
    switch (command) {
    case Command::SendBeep:
    case Command::Check:
    case Command::Ping:
    case Command::Info:
    case Command::Edit:
    case Command::SendFile:
    case Command::SendImageFromFile:
    case Command::SendImageFromClipboard:
        return true;
    default:
        return false;
    }
}

bool WindowedMode::isPresenceBusy() const
{
    return m_engine->isRunning() && m_engine->isPresenceBusy();
}

void WindowedMode::run(Command command, int index, const QString&)
{
    ContactList& contacts = m_engine->contacts();
    switch (command) {
    case Command::SendBeep:
        m_engine->messaging().sender().sendBeep(contacts.GetIPFromList(index));
        return;
    case Command::Check:
        m_conversations->runForContact(ConversationHost::Command::Check, index);
        return;
    case Command::Ping:
        m_conversations->runForContact(ConversationHost::Command::Ping, index);
        return;
    case Command::Info:
        m_conversations->runForContact(ConversationHost::Command::Info, index);
        return;
    case Command::Edit:
        if (m_settings)
            m_settings->showSettings(SettingsDialog::Page::Favourites, index);
        return;
    case Command::SendFile:
        m_transferWindows->chooseAndSendFiles();
        return;
    case Command::SendImageFromFile:
        m_transferWindows->chooseAndSendPicture();
        return;
    case Command::SendImageFromClipboard:
        m_transferWindows->sendClipboardPicture();
        return;
    default:
        return;
    }
}

void WindowedMode::exitProgram()
{
    saveMainWindow();
    // exit() rather than quit(): quit() first asks every window to close, and the main
    // window refuses (it only hides), which would cancel the quit.
    QCoreApplication::exit(0);
}

void WindowedMode::commitSession()
{
    if (!m_engine->isRunning())
        return;
    saveMainWindow();
    if (m_shell)
        m_shell->save();
    if (m_conversations) {
        for (ConversationWindow* window : m_conversations->windows().windows())
            window->saveState();
    }
    m_engine->settings().saveAll();
}

void WindowedMode::shutDown()
{
    if (!m_engine->isRunning())
        return;
    saveMainWindow();
    if (m_shell)
        m_shell->save();
    // The windows save their places and go before the engine they use; transfers stop first.
    m_engine->transfers().stop();
    m_transferWindows.reset();
    m_shell.reset();
    m_settings.reset();
    m_conversations.reset();
    // The tree and the sender let go of the choice before the list behind it goes.
    m_engine->messaging().sender().setRecipientSource(nullptr);
    m_mainWindow->detachContacts();
    m_choice.reset();
    m_engine->stop();
}

void WindowedMode::handleInstanceCommand(const QByteArray& command)
{
    if (command == "restore")
        m_mainWindow->restoreAndRaise();
    else if (command == "exit")
        exitProgram();
    else if (int code = 0; CommandLine::parseStatusCommand(command, code))
        m_engine->SetStatus(code);
    if (const std::optional<HandOverRecord> record = parseHandOverCommand(command))
        m_engine->handleHandOver(*record);
}

void WindowedMode::ShowBalloonHint(const QString& title, const QString& text, int timeout, int level)
{
    if (m_tray && m_trayAvailable) {
        m_tray->showBalloon(title, text, timeout, level);
        return;
    }
    // Without a tray the desktop's notification service shows it; without that, standard error.
    const auto toStandardError = [title, text] {
        const QByteArray line = (u"vantrel: "_s + title + u": "_s + text).toUtf8() + '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    };
    PlatformServices& platform = m_engine->platform();
    if (!platform.notifier)
        platform.notifier = createDesktopNotifier();
    platform.notifier->notify(title, text, level, qMax(1, timeout) * 1000, toStandardError);
}

void WindowedMode::showErrorBox(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, m_mainWindow.get());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

ConversationWindow& WindowedMode::conversation(const QString& contact)
{
    return m_conversations->windows().window(contact);
}

QStringList WindowedMode::pendingConversations() const
{
    return m_conversations ? m_conversations->windows().pendingTargets() : QStringList();
}

// The engine may still deliver a message between shut-down and its own stop: the windows
// are gone by then and it is dropped (the history log has it).
void WindowedMode::showPopupForm(const QString& contact, bool flash)
{
    if (m_conversations)
        m_conversations->windows().ShowPopupForm(contact, flash);
}

void WindowedMode::restore()
{
    if (m_conversations && m_conversations->windows().openNextPending())
        return;
    if (m_mainWindow->isToggled() && m_mainWindow->isVisible()) {
        m_mainWindow->hide();
        m_mainWindow->setToggled(false);
        return;
    }
    m_mainWindow->restoreAndRaise();
    m_mainWindow->setToggled(true);
}

void WindowedMode::askUpdate(const QString& caption, const QString& text, std::function<void(bool)> answered)
{
    // Not modal: the main window goes on working while the question waits.
    auto* box = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Yes | QMessageBox::No,
                                m_mainWindow.get());
    box->setWindowModality(Qt::NonModal);
    box->setObjectName(u"UpdateQuestion"_s);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, answered = std::move(answered)](int) {
        if (answered)
            answered(box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
}

void WindowedMode::openUrl(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

void WindowedMode::addPopupLine(const QString& contact, const QString& text, quint32 rgb, bool bold)
{
    if (m_conversations)
        conversation(contact).MyAddColorLine(text, rgb, bold);
}

void WindowedMode::showPopupError(const QString& contact, const QString& text)
{
    if (m_conversations)
        m_conversations->windows().ShowPopupMessage(contact, text, ConversationWindow::Red);
}

bool WindowedMode::askYesNo(const QString& title, const QString& question)
{
    return QMessageBox::warning(m_mainWindow.get(), title, question, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void WindowedMode::askOffer(const Question& question, AnswerCallback answer)
{
    if (!m_transferWindows)
        return answer({});
    m_transferWindows->askOffer(question, std::move(answer));
}

void WindowedMode::transferStarted(const std::shared_ptr<Transfer>& transfer)
{
    if (m_transferWindows)
        m_transferWindows->transferStarted(transfer);
}

void WindowedMode::pictureReceived(const QString& contact, const QString& path)
{
    if (m_transferWindows)
        m_transferWindows->pictureReceived(contact, path);
    else
        QDir(QFileInfo(path).path()).removeRecursively();
}

void WindowedMode::setCaption(const QString& text)
{
    m_mainWindow->setWindowTitle(text);
}

void WindowedMode::hideMainWindow()
{
    m_mainWindow->hide();
}

} // namespace vantrel
