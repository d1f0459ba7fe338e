// The menus of ConversationWindow and the commands behind them: the contact menu, the view
// menu, the quick-message drop-down, files, saving, the history log and the font.

#include "display/conversationwindow.h"

#include "core/utilities.h"
#include "display/menuseparators.h"
#include "display/smileyimages.h"

#include <QAction>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

using Command = ConversationHost::Command;

} // namespace

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

void ConversationWindow::runCommand(Command command)
{
    if (!m_host.isAvailable(command))
        return;
    m_host.run(*this, command);
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

} // namespace vantrel
