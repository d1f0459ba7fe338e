#include "app/gui/conversationservices.h"

#include "app/apphost.h"
#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "contacts/contactlist.h"
#include "contacts/favouriteseditor.h"
#include "contacts/recipientchoice.h"
#include "contacts/ui/contacttreecontroller.h"
#include "contacts/ui/inputnamedialog.h"
#include "display/conversationwindow.h"
#include "display/conversationwindows.h"
#include "display/fontspecconversion.h"
#include "display/smileyimages.h"
#include "display/smileymenu.h"
#include "display/smileypicker.h"
#include "display/smileytable.h"
#include "messaging/historylog.h"
#include "messaging/messagesender.h"
#include "messaging/messagingengine.h"
#include "platform/platformservices.h"
#include "platform/switchtextlayout.h"
#include "presence/hostinforeport.h"
#include "presence/nettools.h"
#include "presence/pingseries.h"
#include "presence/probeline.h"
#include "presence/reachability.h"
#include "settings/settings.h"
#include "shell/quickmessageeditmenu.h"
#include "shell/quickmessagemenu.h"
#include "shell/quickmessages.h"
#include "transfer/transferengine.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace vantrel {

ConversationServices::ConversationServices(Engine& engine, MainWindow& mainWindow, AppHost& appHost,
                                           QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_mainWindow(mainWindow)
    , m_appHost(appHost)
    , m_smileyTable(std::make_unique<SmileyTable>(*this))
    , m_smileyImages(std::make_unique<SmileyImages>(*m_smileyTable, *this))
    , m_quickMessages(std::make_unique<QuickMessages>(engine.settings()))
{
    m_quickMessageMenu = new QuickMessageMenu(*m_quickMessages, &m_mainWindow);
    m_quickMessageMenu->setObjectName(u"PopupMenu_SpeedMessages"_s);
    m_smileyMenu = new SmileyMenu(*m_smileyImages, &m_mainWindow);
    connect(m_smileyMenu, &SmileyMenu::smileyChosen, this,
            [this](int, const QString& caption, Qt::KeyboardModifiers modifiers) {
                if (m_smileyClient)
                    m_smileyClient->insertSmiley(caption, modifiers);
            });
    // Its own top-level window: tied to the (often hidden) main window it would not be drawn.
    m_smileyPicker = new SmileyPicker(*m_smileyImages, nullptr);
    connect(m_smileyPicker, &SmileyPicker::smileyChosen, this, [this](QWidget* client, const QString& text) {
        if (auto* window = qobject_cast<ConversationWindow*>(client))
            window->insertSmiley(text, QGuiApplication::keyboardModifiers());
    });
    connect(m_smileyPicker, &SmileyPicker::dismissed, this, [](QWidget* client) {
        if (auto* window = qobject_cast<ConversationWindow*>(client))
            window->returnFromSmileys();
    });

    m_windows = std::make_unique<ConversationWindows>(*this);
    // A target that is no contact shows the program's icon.
    connect(m_windows.get(), &ConversationWindows::windowCreated, this, [this](ConversationWindow* window) {
        if (contactIndex(window->target()) < 0)
            window->setWindowIcon(m_mainWindow.windowIcon());
    });
    ContactList& contacts = m_engine.contacts();
    // The window's icon follows its contact's status image.
    connect(&contacts, &ContactList::imageIndexChanged, this, [this](int index, int image) {
        SetFormIcon(m_engine.contacts().snapshot()->displayText(index), image);
    });
    // A rebuilt list starts every contact at image 0.
    connect(&contacts, &ContactList::rebuilt, this, [this] {
        for (ConversationWindow* window : m_windows->windows()) {
            const int index = contactIndex(window->target());
            if (index >= 0)
                window->setStatusImage(contactImage(index));
        }
    });
    rebuildSmileys();
}

ConversationServices::~ConversationServices()
{
    // The windows and the picker go before the smiley pictures they show.
    m_windows.reset();
    delete m_smileyPicker;
    // The menus live in the main window but show this object's lists and pictures.
    delete m_smileyMenu;
    delete m_quickMessageMenu;
}

void ConversationServices::rebuildSmileys()
{
    m_smileyTable->rebuild(m_engine.settings());
}

QString ConversationServices::userName() const
{
    return m_engine.names().userName;
}

int ConversationServices::contactIndex(const QString& target) const
{
    return m_engine.contacts().MyGetIndex(target);
}

int ConversationServices::contactImage(int index) const
{
    return m_engine.contacts().imageIndex(index);
}

QIcon ConversationServices::statusIcon(int image) const
{
    return m_statusImages.icon(image);
}

bool ConversationServices::isSharedListInUse() const
{
    return m_engine.contacts().isSharedListInUse();
}

bool ConversationServices::isPresenceBusy() const
{
    return m_engine.isPresenceBusy();
}

bool ConversationServices::isAvailable(Command) const
{
    return true;
}

void ConversationServices::run(ConversationWindow& window, Command command)
{
    switch (command) {
    case Command::Check:
        check(window, -1);
        return;
    case Command::Ping:
    case Command::Info:
        probe(window, command, m_engine.contacts().MyGetComp(window.target()));
        return;
    case Command::AddContact:
    case Command::DeleteContact: {
        // The window's target becomes the main window's recipient, then the main window's
        // command runs on it; a deletion confirmed from the window closes the window at once.
        ContactTreeController* controller = m_mainWindow.contactController();
        if (!controller)
            return;
        controller->choice().R_Answer(window.target());
        if (command == Command::AddContact) {
            controller->PM_ADD_CompClick();
        } else {
            const QPointer<ConversationWindow> guard(&window);
            controller->PM_DEL_CompClick([guard] {
                if (guard)
                    guard->close();
            });
        }
        return;
    }
    case Command::SendFile:
        return;
    }
}

void ConversationServices::runForContact(Command command, int index)
{
    const std::shared_ptr<const ContactListSnapshot> list = m_engine.contacts().snapshot();
    if (index < 0 || index >= list->count() || list->IsGroup(index))
        return;
    ConversationWindow* window = m_windows->ShowPopupForm(list->displayText(index), false);
    if (!window)
        return;
    if (command == Command::Check)
        check(*window, index);
    else if (command == Command::Ping || command == Command::Info)
        probe(*window, command, list->compName(index));
}

void ConversationServices::check(ConversationWindow& window, int index)
{
    if (!window.beginWork(Command::Check))
        return;
    const QPointer<ConversationWindow> guard(&window);
    const QString target = window.target();
    ContactList& contacts = m_engine.contacts();
    if (index < 0)
        index = contacts.MyGetIndex(target);
    const QString address = index >= 0 ? contacts.GetIPFromList(index) : contacts.MyGetComp(target);
    m_engine.reachability().check(address, &window, [this, guard, index, target](bool reachable) {
        ContactList& list = m_engine.contacts();
        // The list may have been rebuilt meanwhile: mark the node only if it is still this contact.
        if (index >= 0 && list.snapshot()->displayText(index) == target) {
            if (reachable && list.imageIndex(index) == 3)
                list.setImageIndex(index, 0);
            else if (!reachable)
                list.setImageIndex(index, 3);
        }
        if (!guard)
            return;
        const ProbeLine line = Reachability::resultLine(target, reachable);
        guard->MyAddColorLine(line.text, rgbOf(line.color), false);
        guard->endWork(Command::Check);
    });
}

void ConversationServices::probe(ConversationWindow& window, Command command, const QString& computer)
{
    if (!window.beginWork(command))
        return;
    const QPointer<ConversationWindow> guard(&window);
    const QString target = window.target();
    const auto addLine = [guard](const ProbeLine& line) {
        if (guard)
            guard->MyAddColorLine(line.text, rgbOf(line.color), false);
    };
    // Each run belongs to its window and goes with it.
    if (command == Command::Ping) {
        auto* series = new PingSeries(m_engine.netTools(), {}, &window);
        series->start(computer, addLine, [series, guard] {
            if (guard)
                guard->endWork(Command::Ping);
            series->deleteLater();
        });
    } else {
        auto* report = new HostInfoReport(m_engine.netTools(), &window);
        report->start(target, computer, addLine, [report, guard] {
            if (guard)
                guard->endWork(Command::Info);
            report->deleteLater();
        });
    }
}

void ConversationServices::SetFormIcon(const QString& caption, int code)
{
    if (ConversationWindow* window = m_windows->find(caption))
        window->setStatusImage(code);
}

void ConversationServices::sendMessage(const QString& target, const QString& text)
{
    m_engine.messaging().sender().sendMessage(target, text);
}

void ConversationServices::offerFiles(ConversationWindow& window, const QStringList& files)
{
    if (files.isEmpty())
        return;
    // The window's target becomes the main window's recipient; each recipient gets the offer
    // after its waiting line.
    MessageSender& sender = m_engine.messaging().sender();
    const std::optional<MessageSender::Recipients> chosen = sender.chooseRecipients(window.target());
    if (!chosen)
        return;
    const QString waiting = files.size() == 1 ? u"Ожидание передачи файла \""_s +
                                                    QFileInfo(files.constFirst()).fileName() + u"\"..."_s
                                              : u"Ожидание передачи файлов..."_s;
    for (const QString& address : chosen->addresses) {
        window.MyAddColorLine(waiting, ConversationWindow::Black, false);
        m_engine.transfers().offerFiles({address}, files);
    }
    sender.recipientsHandled();
}

void ConversationServices::showBalloon(const QString& title, const QString& text,
                                       ConversationHost::BalloonLevel level)
{
    m_appHost.ShowBalloonHint(title, text, 10, static_cast<int>(level));
}

void ConversationServices::showBalloon(const QString& title, const QString& text,
                                       SmileyHost::BalloonLevel level)
{
    m_appHost.ShowBalloonHint(title, text, 10, static_cast<int>(level));
}

QString ConversationServices::mainWindowCaption() const
{
    return m_mainWindow.windowTitle();
}

QString ConversationServices::historyPath(const QString& target) const
{
    return m_engine.messaging().history().pathFor(target);
}

QString ConversationServices::confDir() const
{
    return m_engine.paths().confDir;
}

void ConversationServices::popupQuickMessages(QPlainTextEdit* replyBox, const QPoint& globalPos)
{
    m_quickMessageMenu->setTarget(replyBox);
    m_quickMessageMenu->exec(globalPos);
}

QMenu* ConversationServices::createQuickMessageEditMenu(QPlainTextEdit* replyBox, QWidget* parent)
{
    auto* menu = new QuickMessageEditMenu(*m_quickMessages, m_engine.settings(), replyBox, parent);
    // The list editor's input box warns in a balloon when a separator character is typed.
    menu->setInputFunction([this, menu](const QString& caption, const QString& label, const QString& text) {
        const auto warn = [this] {
            m_appHost.ShowBalloonHint(u"Vantrel"_s, FavouritesEditor::forbiddenCharsText(), 10,
                                      AppHost::Warning);
        };
        // Owned by the list editor, which is the modal window then.
        QWidget* owner = QApplication::activeModalWidget();
        return ShowInputName(owner ? owner : menu->parentWidget(), &m_engine.settings(), warn, caption, label,
                             text);
    });
    return menu;
}

void ConversationServices::chooseSmiley(ConversationWindow& window, const QPoint& globalPos)
{
    if (m_smileyTable->set() == SmileyTable::Set::External) {
        m_smileyPicker->syncWith(*m_smileyTable);
        m_smileyPicker->popup(&window, globalPos);
        return;
    }
    m_smileyClient = &window;
    // A choice has brought the window back already; closing the menu without one does it here.
    if (!m_smileyMenu->exec(globalPos) && m_smileyClient)
        m_smileyClient->returnFromSmileys();
}

SmileyImages* ConversationServices::smileys()
{
    return m_smileyImages.get();
}

QFont ConversationServices::popupFont() const
{
    return fontFromSpec(m_engine.settings().fmConfig.FontDialog_Popup_Font.value());
}

void ConversationServices::setPopupFont(const QFont& font)
{
    auto& setting = m_engine.settings().fmConfig.FontDialog_Popup_Font;
    setting.setValue(specFromFont(font, setting.value()));
}

QString ConversationServices::retype(const QString& text)
{
    return SwitchTextLayout(text, *m_engine.platform().keyboardLayout);
}

} // namespace vantrel
