#include "display/conversationwindow.h"

#include "core/datetimetext.h"
#include "core/textlines.h"
#include "core/utilities.h"
#include "display/menuseparators.h"
#include "display/rtfwriter.h"
#include "display/smileyimages.h"
#include "settings/popupsettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
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

void ConversationWindow::buildMenus()
{
    const auto addAction = [this](QMenu* menu, const QString& name, const QString& text,
                                  const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        m_actions.insert(name, action);
        return action;
    };

    m_contactMenu = new QMenu(this);
    m_contactMenu->setObjectName(u"PopupMenu_NetName"_s);
    connect(addAction(m_contactMenu, u"PM_Ping"_s, u"Проверить"_s, QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, [this] { runCommand(Command::Check); });
    connect(addAction(m_contactMenu, u"PM_ICMPPing"_s, u"Ping"_s), &QAction::triggered, this,
            [this] { runCommand(Command::Ping); });
    m_contactMenu->addSeparator();
    connect(addAction(m_contactMenu, u"PM_SendFile"_s, u"Послать файл..."_s), &QAction::triggered, this,
            &ConversationWindow::chooseFiles);
    m_contactMenu->addSeparator();
    connect(addAction(m_contactMenu, u"PM_Info"_s, u"Информация"_s), &QAction::triggered, this,
            [this] { runCommand(Command::Info); });
    m_contactMenu->addSeparator();
    connect(addAction(m_contactMenu, u"PM_Add"_s, u"Добавить"_s), &QAction::triggered, this,
            [this] { runCommand(Command::AddContact); });
    connect(addAction(m_contactMenu, u"PM_Del"_s, u"Удалить"_s), &QAction::triggered, this,
            [this] { runCommand(Command::DeleteContact); });

    m_viewMenu = new QMenu(this);
    m_viewMenu->setObjectName(u"PopupMenu_JvRE"_s);
    connect(addAction(m_viewMenu, u"PM_Copy"_s, u"Копировать"_s), &QAction::triggered, m_view,
            &QTextBrowser::copy);
    m_viewMenu->addSeparator();
    connect(addAction(m_viewMenu, u"PM_Clear"_s, u"Очистить"_s), &QAction::triggered, this, [this] {
        clearView();
        focusReply();
    });
    connect(addAction(m_viewMenu, u"PM_Save"_s, u"Сохранить"_s), &QAction::triggered, this,
            &ConversationWindow::saveAs);
    m_viewMenu->addSeparator();
    connect(addAction(m_viewMenu, u"PM_Font"_s, u"Шрифт"_s), &QAction::triggered, this,
            &ConversationWindow::chooseFont);
    m_viewMenu->addSeparator();
    connect(addAction(m_viewMenu, u"PM_ViewLog"_s, u"Посмотреть лог"_s), &QAction::triggered, this,
            &ConversationWindow::openHistory);
    connect(addAction(m_viewMenu, u"PM_ClearLog"_s, u"Очистить лог"_s), &QAction::triggered, this,
            &ConversationWindow::askDeleteHistory);
}

QMenu* ConversationWindow::contactMenu()
{
    updateContactMenu();
    return m_contactMenu;
}

QMenu* ConversationWindow::viewMenu()
{
    updateViewMenu();
    return m_viewMenu;
}

QMenu* ConversationWindow::quickMessageEditMenu()
{
    if (!m_quickEditMenu) {
        m_quickEditMenu = m_host.createQuickMessageEditMenu(m_reply, this);
        m_speedMessagesButton->setMenu(m_quickEditMenu);
    }
    return m_quickEditMenu;
}

void ConversationWindow::updateContactMenu()
{
    const bool listOrGroup = m_target.contains(u';') || m_target.contains(u'[') || m_target.contains(u']');
    const bool contact = m_host.contactIndex(m_target) >= 0;
    const bool editable = !IsIPAddress(m_target.trimmed()) && !m_host.isSharedListInUse();
    for (const QString& name : {u"PM_Ping"_s, u"PM_ICMPPing"_s, u"PM_Info"_s})
        m_actions.value(name)->setVisible(!listOrGroup);
    m_actions.value(u"PM_Add"_s)->setVisible(!listOrGroup && !contact && editable);
    m_actions.value(u"PM_Del"_s)->setVisible(!listOrGroup && contact && editable);
    const bool busy = m_host.isPresenceBusy();
    m_actions.value(u"PM_Add"_s)->setEnabled(!busy);
    m_actions.value(u"PM_Del"_s)->setEnabled(!busy);
    m_actions.value(u"PM_SendFile"_s)->setEnabled(m_host.isAvailable(Command::SendFile));
    m_actions.value(u"PM_Ping"_s)->setEnabled(m_host.isAvailable(Command::Check));
    m_actions.value(u"PM_ICMPPing"_s)->setEnabled(m_host.isAvailable(Command::Ping));
    m_actions.value(u"PM_Info"_s)->setEnabled(m_host.isAvailable(Command::Info));
    HideStraySeparators(*m_contactMenu);
}

void ConversationWindow::updateViewMenu()
{
    m_actions.value(u"PM_Copy"_s)->setEnabled(m_view->textCursor().hasSelection());
    const bool history = QFileInfo::exists(m_host.historyPath(m_target));
    m_actions.value(u"PM_ViewLog"_s)->setEnabled(history);
    m_actions.value(u"PM_ClearLog"_s)->setEnabled(history);
}

void ConversationWindow::MyAddColorLine(const QString& text, quint32 rgb, bool bold)
{
    QTextDocument* document = m_view->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(m_view->font());
    format.setForeground(QColor::fromRgb(static_cast<QRgb>(rgb)));
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!document->isEmpty())
        cursor.insertBlock();
    const int start = cursor.position();
    QString normalized = text;
    normalized.replace(u"\r\n"_s, u"\n"_s);
    normalized.replace(u'\r', u'\n');
    // Line breaks inside the text stay lines of one paragraph.
    normalized.replace(u'\n', QChar::LineSeparator);
    cursor.insertText(normalized, format);
    markLinks(document, start, normalized);
    if (SmileyImages* smileys = m_host.smileys())
        smileys->drawSmileys(document, start, cursor.position());
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    m_view->setTextCursor(end);
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

void ConversationWindow::markLinks(QTextDocument* document, int start, const QString& text)
{
    // Addresses in the text become links, as a rich edit with URL detection shows them.
    static const QRegularExpression link(uR"((?:(?:https?|ftp|file|mailto):|www\.)[^\s<>"]+)"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString href = match.captured();
        // Closing punctuation usually ends the sentence, not the address.
        while (!href.isEmpty() && QStringView(u".,;:!?)]}'").contains(href.back()))
            href.chop(1);
        if (href.isEmpty())
            continue;
        QTextCursor range(document);
        range.setPosition(start + static_cast<int>(match.capturedStart()));
        range.setPosition(start + static_cast<int>(match.capturedStart() + href.size()),
                          QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorHref(href.startsWith(u"www."_s, Qt::CaseInsensitive) ? u"http://"_s + href : href);
        anchor.setFontUnderline(true);
        range.mergeCharFormat(anchor);
    }
}

QString ConversationWindow::viewText() const
{
    return m_view->toPlainText();
}

void ConversationWindow::clearView()
{
    m_view->clear();
}

void ConversationWindow::sendReply()
{
    const QString text = m_reply->toPlainText();
    if (text.trimmed().isEmpty()) {
        m_reply->clear();
        focusReply();
        return;
    }
    m_reply->setEnabled(false);
    MyAddColorLine(m_host.userName() + u" ["_s + TimeText(QTime::currentTime()) + u"]:"_s, Blue, true);
    MyAddColorLine(text, Blue, false);
    m_host.sendMessage(m_target, text);
    m_reply->clear();
    m_reply->setEnabled(true);
    focusReply();
}

void ConversationWindow::enforceReplyLimit()
{
    if (m_limiting)
        return;
    QTextDocument* document = m_reply->document();
    // characterCount() includes the final paragraph separator.
    if (document->characterCount() - 1 <= m_replyLimit)
        return;
    m_limiting = true;
    QTextCursor cursor(document);
    cursor.setPosition(m_replyLimit);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_reply->moveCursor(QTextCursor::End);
    m_limiting = false;
}

void ConversationWindow::retypeFirstLine()
{
    QTextCursor cursor(m_reply->document()->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const QString retyped = m_host.retype(cursor.selectedText());
    cursor.insertText(retyped);
}

void ConversationWindow::insertSmiley(const QString& text, Qt::KeyboardModifiers modifiers)
{
    m_reply->moveCursor(QTextCursor::End);
    m_reply->insertPlainText(text);
    returnFromSmileys();
    if (modifiers & Qt::ControlModifier)
        sendReply();
}

void ConversationWindow::returnFromSmileys()
{
    if (isVisible()) {
        raise();
        activateWindow();
    }
    focusReply();
}

void ConversationWindow::dropFiles(const QList<QUrl>& urls)
{
    m_filesList.clear();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).isFile())
            m_filesList.append(path);
    }
    if (m_filesList.isEmpty()) {
        m_host.showBalloon(u"Vantrel"_s, u"Нет файлов для передачи."_s,
                           ConversationHost::BalloonLevel::Warning);
        return;
    }
    m_host.offerFiles(*this, m_filesList);
}

void ConversationWindow::quoteSelection()
{
    m_reply->setPlainText(m_reply->toPlainText() + u' ' + SmileyImages::selectedText(m_view->textCursor()));
    focusReply();
}

void ConversationWindow::focusReply()
{
    if (m_reply->isEnabled() && m_reply->isVisible())
        m_reply->setFocus();
    m_reply->moveCursor(QTextCursor::End);
}

void ConversationWindow::runCommand(Command command)
{
    if (!m_host.isAvailable(command))
        return;
    m_host.run(*this, command);
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

void ConversationWindow::chooseFiles()
{
    const QStringList files =
        QFileDialog::getOpenFileNames(this, u"Послать файл..."_s, {}, u"Все файлы (*)"_s);
    focusReply();
    if (files.isEmpty())
        return;
    m_filesList = files;
    m_host.offerFiles(*this, m_filesList);
}

void ConversationWindow::saveAs()
{
    QFileDialog dialog(this, u"Сохранить"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(u"Текст в формате RTF (*.rtf)"_s);
    dialog.setDefaultSuffix(u"rtf"_s);
    dialog.selectFile(u"История сообщений VTL"_s);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveView(dialog.selectedFiles().constFirst());
    focusReply();
}

bool ConversationWindow::saveView(const QString& path)
{
    QString error;
    if (RtfWriter::write(*m_view->document(), path, &error))
        return true;
    QMessageBox::critical(this, u"Ошибка"_s, error);
    return false;
}

void ConversationWindow::openHistory()
{
    const QString path = m_host.historyPath(m_target);
    if (QFileInfo::exists(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ConversationWindow::askDeleteHistory()
{
    if (QMessageBox::question(this, u"Подтверждение"_s,
                              u"Вы действительно хотите очистить файл истории сообщений?"_s,
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes)
        deleteHistory();
}

bool ConversationWindow::deleteHistory()
{
    const QString path = m_host.historyPath(m_target);
    if (QFile::remove(path))
        return true;
    QMessageBox::critical(this, u"Ошибка"_s,
                          u"Не могу удалить файл \""_s + path +
                              u"\".\r\n\r\nФайл может быть занят другим приложением."_s);
    return false;
}

void ConversationWindow::chooseFont()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_view->font(), this, u"Шрифт"_s);
    if (ok) {
        applyFont(font);
        m_host.setPopupFont(font);
    }
    focusReply();
}

void ConversationWindow::applyFont(const QFont& font)
{
    m_view->setFont(font);
    m_view->document()->setDefaultFont(font);
    m_reply->setFont(font);
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
