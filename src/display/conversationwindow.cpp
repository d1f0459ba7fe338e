#include "display/conversationwindow.h"

#include "display/smileyimages.h"
#include "settings/popupsettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

using Command = ConversationHost::Command;

int key(Command command)
{
    return static_cast<int>(command);
}

} // namespace

ConversationWindow::ConversationWindow(const QString& target, ConversationHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_target(target)
    , m_host(host)
    , m_conf(std::make_unique<PopupSettingsFile>(host.confDir(), target))
{
    setObjectName(u"fmVTLPopup"_s);
    setWindowTitle(target);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMinimumSize(300, 150);
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setHandleWidth(3);
    m_splitter->setChildrenCollapsible(false);

    auto* upper = new QWidget(m_splitter);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->setSpacing(0);
    m_view = new QTextBrowser(upper);
    m_view->setObjectName(u"JvRichEdit_His"_s);
    m_view->setFocusPolicy(Qt::ClickFocus);
    m_view->setOpenLinks(false);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    m_view->viewport()->setAcceptDrops(true);
    // Links open with the desktop's default program (received files are "file:" links).
    connect(m_view, &QTextBrowser::anchorClicked, this,
            [](const QUrl& url) { QDesktopServices::openUrl(url); });
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { viewMenu()->popup(m_view->viewport()->mapToGlobal(pos)); });
    upperLayout->addWidget(m_view, 1);
    buildToolBar();
    upperLayout->addWidget(m_toolBar);

    m_reply = new QPlainTextEdit(m_splitter);
    m_reply->setObjectName(u"Memo_Message"_s);
    m_reply->setTabChangesFocus(true);
    m_reply->setMinimumHeight(MinReplyHeight);
    m_reply->installEventFilter(this);
    m_reply->viewport()->installEventFilter(this);
    connect(m_reply, &QPlainTextEdit::textChanged, this, &ConversationWindow::enforceReplyLimit);
    m_splitter->addWidget(upper);
    m_splitter->addWidget(m_reply);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    layout->addWidget(m_splitter);

    m_clearTimer.setInterval(ClearInterval);
    connect(&m_clearTimer, &QTimer::timeout, this, [this] {
        // A window shown again keeps its conversation and the timer goes on.
        if (isVisible())
            return;
        clearView();
        m_clearTimer.stop();
    });

    buildMenus();
    quickMessageEditMenu();
    applyFont(host.popupFont());
    if (SmileyImages* smileys = host.smileys())
        smileys->attachView(m_view);
    restoreState();
}

ConversationWindow::~ConversationWindow()
{
    saveState();
}

bool ConversationWindow::isBroadcastTarget(const QString& target)
{
    return target.endsWith(u'*') || target == u"<ВСЯ СЕТЬ>"_s;
}

void ConversationWindow::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(u"ToolBar"_s);
    m_toolBar->setFixedHeight(26);
    m_toolBar->setIconSize(QSize(19, 19));
    m_toolBar->setFocusPolicy(Qt::NoFocus);
    const auto addButton = [this](const QString& name, const QString& hint, const QIcon& icon) {
        auto* button = new QToolButton(m_toolBar);
        button->setObjectName(name);
        button->setToolTip(hint);
        button->setIcon(icon);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        m_toolBar->addWidget(button);
        return button;
    };
    m_netNameButton = addButton(u"TB_NetName"_s, u"Меню контакта"_s, m_host.statusIcon(0));
    connect(m_netNameButton, &QToolButton::clicked, this, [this] {
        contactMenu()->exec(QCursor::pos());
        focusReply();
    });
    m_speedMessagesButton =
        addButton(u"TB_SpeedMessages"_s, u"Быстрые сообщения"_s, QIcon(u":/icons/quick-messages.svg"_s));
    m_speedMessagesButton->setPopupMode(QToolButton::MenuButtonPopup);
    connect(m_speedMessagesButton, &QToolButton::clicked, this, [this] {
        m_host.popupQuickMessages(m_reply, QCursor::pos());
        focusReply();
    });
    QIcon smiley;
    if (SmileyImages* smileys = m_host.smileys())
        smiley = QIcon(QPixmap::fromImage(smileys->builtinImage(0)));
    m_smileyButton = addButton(u"TB_Sm"_s,
                               u"Вставить смайлик...\n(Удерживайте клавишу Ctrl, чтобы отправить сообщение "
                               u"сразу после вставки смайлика)"_s,
                               smiley);
    connect(m_smileyButton, &QToolButton::clicked, this,
            [this] { m_host.chooseSmiley(*this, QCursor::pos()); });
    m_clearButton =
        addButton(u"TB_Clear"_s, u"Очистить окно сообщений   (Ctrl+Alt+C)"_s, QIcon(u":/icons/clear.svg"_s));
    connect(m_clearButton, &QToolButton::clicked, this, [this] {
        clearView();
        focusReply();
    });
    // The shortcut the button's hint names.
    auto* clearShortcut = new QAction(this);
    clearShortcut->setShortcut(QKeySequence(u"Ctrl+Alt+C"_s));
    clearShortcut->setShortcutContext(Qt::WindowShortcut);
    addAction(clearShortcut);
    connect(clearShortcut, &QAction::triggered, m_clearButton, &QToolButton::click);
}

bool ConversationWindow::beginWork(Command command)
{
    if (m_working.contains(key(command)))
        return false;
    m_working.insert(key(command));
    setBusyCursor(true);
    return true;
}

void ConversationWindow::endWork(Command command)
{
    m_working.remove(key(command));
    if (m_working.isEmpty())
        setBusyCursor(false);
}

void ConversationWindow::setBusyCursor(bool busy)
{
    for (QWidget* widget : {static_cast<QWidget*>(m_view->viewport()), static_cast<QWidget*>(m_toolBar),
                            static_cast<QWidget*>(m_reply->viewport())}) {
        if (busy)
            widget->setCursor(Qt::BusyCursor);
        else
            widget->unsetCursor();
    }
}

void ConversationWindow::setStatusImage(int image)
{
    setWindowIcon(m_host.statusIcon(image));
}

void ConversationWindow::restoreState()
{
    const WindowPlacement placement = m_conf->placement();
    if (placement.isValid()) {
        setGeometry(placement.left, placement.top, placement.width(), placement.height());
    } else {
        resize(484, 273);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    const int reply = qMax(MinReplyHeight, m_conf->memoMessageHeight(DefaultReplyHeight));
    m_splitter->setSizes({qMax(1, height() - reply - m_splitter->handleWidth()), reply});
}

void ConversationWindow::saveState()
{
    if (!m_conf)
        return;
    const QRect frame = geometry();
    WindowPlacement placement = m_conf->placement();
    placement.left = frame.left();
    placement.top = frame.top();
    placement.right = frame.left() + frame.width();
    placement.bottom = frame.top() + frame.height();
    if (const QScreen* current = screen())
        placement.pixelsPerInch = qRound(current->logicalDotsPerInch());
    m_conf->setPlacement(placement);
    const QList<int> sizes = m_splitter->sizes();
    if (sizes.size() == 2 && sizes.at(1) > 0)
        m_conf->setMemoMessageHeight(sizes.at(1));
    m_conf->save();
}

void ConversationWindow::showEvent(QShowEvent* event)
{
    setWindowTitle(m_target);
    const int index = m_host.contactIndex(m_target);
    if (index >= 0)
        setStatusImage(m_host.contactImage(index));
    m_replyLimit = isBroadcastTarget(m_target) ? MaxBroadcastReplyLength : MaxReplyLength;
    enforceReplyLimit();
    m_clearTimer.stop();
    QWidget::showEvent(event);
    raise();
    activateWindow();
    QTextCursor end(m_view->document());
    end.movePosition(QTextCursor::End);
    m_view->setTextCursor(end);
    focusReply();
}

void ConversationWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    m_clearTimer.start();
    saveState();
}

void ConversationWindow::keyPressEvent(QKeyEvent* event)
{
    if (!handleWindowKey(event))
        QWidget::keyPressEvent(event);
}

bool ConversationWindow::handleWindowKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_F5:
        updateContactMenu();
        if (QAction* check = m_actions.value(u"PM_Ping"_s); check->isVisible() && check->isEnabled())
            check->trigger();
        return true;
    case Qt::Key_F12:
        retypeFirstLine();
        return true;
    default:
        return false;
    }
}

bool ConversationWindow::handleViewKey(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (event->modifiers() & Qt::ControlModifier) ||
        !m_reply->isEnabled())
        return false;
    m_reply->setFocus();
    m_reply->moveCursor(QTextCursor::End);
    m_reply->insertPlainText(text);
    return true;
}

bool ConversationWindow::handleDrop(QObject* watched, QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drop->mimeData();
    const bool files = mime && mime->hasUrls() &&
                       std::any_of(mime->urls().cbegin(), mime->urls().cend(),
                                   [](const QUrl& url) { return url.isLocalFile(); });
    const bool onReply = watched == m_reply->viewport();
    if (!files && !onReply)
        return false;
    if (event->type() == QEvent::Drop) {
        if (files)
            dropFiles(mime->urls());
        else
            quoteSelection();
    }
    drop->acceptProposedAction();
    return true;
}

bool ConversationWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (handleWindowKey(keyEvent))
            return true;
        if (watched == m_reply && (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter)) {
            if (keyEvent->modifiers() & Qt::ControlModifier)
                m_reply->insertPlainText(u"\n"_s);
            else if (m_reply->isEnabled())
                sendReply();
            return true;
        }
        if (watched == m_view)
            return handleViewKey(keyEvent);
        break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (watched == m_reply->viewport() || watched == m_view->viewport())
            return handleDrop(watched, event);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantrel
