#include "contacts/ui/contacttreecontroller.h"

#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "contacts/ui/contacttreewidget.h"
#include "contacts/ui/recipientfield.h"
#include "platform/switchtextlayout.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactTreeController::ContactTreeController(ContactTreeWidget& tree, RecipientField& field,
                                             Services services, QObject* parent)
    : QObject(parent)
    , m_tree(tree)
    , m_field(field)
    , m_services(std::move(services))
{
    buildMenu();
    RecipientChoice& choice = m_services.choice;

    connect(&choice, &RecipientChoice::listChanged, this, &ContactTreeController::showList);
    connect(&choice, &RecipientChoice::checksChanged, this, &ContactTreeController::showChecks);
    connect(&choice, &RecipientChoice::selectionChanged, this, [this](int index) {
        m_tree.selectNode(index);
        updateActions();
    });
    connect(&choice, &RecipientChoice::fieldChanged, this, &ContactTreeController::showField);
    connect(&choice, &RecipientChoice::fieldFocusRequested, this, [this] { m_field.setFocus(); });
    connect(&m_services.list, &ContactList::imageIndexChanged, this,
            [this](int index, int image) { m_tree.setImageIndex(index, image); });
    connect(&m_services.list, &ContactList::sharedListInUseChanged, this,
            &ContactTreeController::updateActions);

    connect(&m_tree, &ContactTreeWidget::checkToggled, this, &ContactTreeController::onCheckToggled);
    connect(&m_tree, &ContactTreeWidget::nodeSelected, this, [this](int index) {
        m_services.choice.selectNode(index);
        updateActions();
    });
    connect(&m_tree, &ContactTreeWidget::nodeDoubleClicked, this, &ContactTreeController::openConversation);
    connect(&m_tree, &ContactTreeWidget::enterPressed, this, &ContactTreeController::messageWindowRequested);
    connect(&m_tree, &ContactTreeWidget::menuRequested, this,
            [this](int, const QPoint& globalPos) { onMenuRequested(globalPos); });

    connect(&m_field, &RecipientField::textTyped, this,
            [this](const QString& text) { m_services.choice.setTypedText(text); });
    connect(&m_field, &RecipientField::itemChosen, this,
            [this](int index) { m_services.choice.setItemIndex(index); });
    connect(&m_field, &RecipientField::focusLeft, this,
            [this] { m_services.choice.leaveField(m_tree.hasFocus()); });
    connect(&m_field, &RecipientField::enterPressed, this, &ContactTreeController::messageWindowRequested);
    connect(&m_field, &RecipientField::retypeRequested, this, &ContactTreeController::retype);

    showList();
    showChecks();
    m_tree.selectNode(choice.selectedNode());
    showField();
    updateActions();
}

QAction* ContactTreeController::addAction(const QString& name, const QString& caption,
                                          const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_tree.addAction(action);
    }
    m_actions.insert(name, action);
    return action;
}

void ContactTreeController::buildMenu()
{
    m_menu = new QMenu(&m_tree);
    m_menu->setObjectName(u"PopupMenu_Tree"_s);
    const auto command = [this](QAction* action, Command c) {
        m_commandOf.insert(action, c);
        connect(action, &QAction::triggered, this, [this, c] { runCommand(c); });
        return action;
    };

    QAction* msg = addAction(u"PM_Tree_Msg"_s, u"Сообщение"_s, QKeySequence(Qt::Key_Insert));
    connect(msg, &QAction::triggered, this, [this] {
        setCurrentItem();
        openConversation(m_currentIndex);
    });
    m_menu->addAction(msg);
    m_menu->addAction(
        command(addAction(u"PM_Tree_Ping2"_s, u"Проверить"_s, QKeySequence(Qt::Key_F5)), Command::Check));
    m_menu->addAction(
        command(addAction(u"PM_Tree_Ping1"_s, u"Ping"_s, QKeySequence(u"Ctrl+P"_s)), Command::Ping));
    m_menu->addSeparator();
    m_menu->addAction(command(addAction(u"PM_Tree_SendFile"_s, u"Послать файл..."_s, {}), Command::SendFile));
    auto* images = new QMenu(u"Послать картинку"_s, m_menu);
    images->addAction(
        command(addAction(u"PM_Tree_SendImgFile"_s, u"Из файла..."_s, {}), Command::SendImageFromFile));
    images->addAction(command(addAction(u"PM_Tree_SendImgClipboard"_s, u"Из буфера обмена"_s, {}),
                              Command::SendImageFromClipboard));
    QAction* imageItem = m_menu->addMenu(images);
    imageItem->setObjectName(u"PM_Tree_SendImg"_s);
    m_actions.insert(imageItem->objectName(), imageItem);
    m_menu->addAction(command(addAction(u"PM_Tree_SendBeep"_s, u"Послать сигнал"_s, {}), Command::SendBeep));
    m_menu->addSeparator();
    m_menu->addAction(
        command(addAction(u"PM_Tree_Info"_s, u"Информация"_s, QKeySequence(u"Ctrl+I"_s)), Command::Info));
    QAction* history = addAction(u"PM_Tree_His"_s, u"История"_s, QKeySequence(u"Ctrl+H"_s));
    connect(history, &QAction::triggered, this, &ContactTreeController::openHistory);
    m_menu->addAction(history);
    QAction* edit = addAction(u"PM_Tree_Edit"_s, u"Редактировать"_s, QKeySequence(Qt::Key_F2));
    m_commandOf.insert(edit, Command::Edit);
    connect(edit, &QAction::triggered, this, [this] {
        setCurrentItem();
        if (m_services.list.isSharedListInUse() || m_currentIndex < 0)
            return;
        m_services.commands.run(Command::Edit, m_currentIndex, m_currentText);
        m_services.choice.R_TreeViewCheck();
    });
    m_menu->addAction(edit);
    m_menu->addSeparator();
    QAction* selAll = addAction(u"PM_Tree_SelAll"_s, u"Пометить всех"_s, QKeySequence(u"Ctrl+A"_s));
    connect(selAll, &QAction::triggered, this, [this] { m_services.choice.selectAll(); });
    m_menu->addAction(selAll);
    QAction* deselAll = addAction(u"PM_Tree_DeSelAll"_s, u"Снять все пометки"_s, QKeySequence(u"Ctrl+Z"_s));
    connect(deselAll, &QAction::triggered, this, [this] { m_services.choice.deselectAll(); });
    m_menu->addAction(deselAll);
    m_menu->addSeparator();
    QAction* save = addAction(u"PM_SaveCN"_s, u"Сохранить список"_s, {});
    connect(save, &QAction::triggered, this, &ContactTreeController::saveList);
    m_menu->addAction(save);
    QAction* load = addAction(u"PM_LoadCN"_s, u"Загрузить список"_s, {});
    connect(load, &QAction::triggered, this, &ContactTreeController::loadList);
    m_menu->addAction(load);
    connect(m_menu, &QMenu::aboutToShow, this, &ContactTreeController::updateActions);
}

void ContactTreeController::updateActions()
{
    const RecipientChoice& choice = m_services.choice;
    const int node = choice.selectedNode();
    const bool selected = node >= 0;
    const bool group = selected && choice.list().IsGroup(node);
    const bool personal = !m_services.list.isSharedListInUse();
    setCurrentItem();

    for (const QString& name :
         {u"PM_Tree_Ping2"_s, u"PM_Tree_Ping1"_s, u"PM_Tree_Info"_s, u"PM_Tree_SendBeep"_s})
        m_actions.value(name)->setVisible(!selected || !group);
    for (const QString& name : {u"PM_Tree_Edit"_s, u"PM_SaveCN"_s, u"PM_LoadCN"_s})
        m_actions.value(name)->setVisible(personal);

    for (QAction* action : std::as_const(m_actions)) {
        bool enabled = selected;
        if (enabled && m_commandOf.contains(action))
            enabled = m_services.commands.isAvailable(m_commandOf.value(action));
        action->setEnabled(enabled);
    }
    if (!selected)
        return;
    if (m_services.commands.isPresenceBusy())
        m_actions.value(u"PM_Tree_Edit"_s)->setEnabled(false);
    m_actions.value(u"PM_Tree_His"_s)
        ->setEnabled(QFileInfo::exists(m_services.historyPath(choice.nodeText(node))));
    const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
    const bool picture =
        clipboard && clipboard->hasImage() && !qvariant_cast<QImage>(clipboard->imageData()).isNull();
    QAction* fromClipboard = m_actions.value(u"PM_Tree_SendImgClipboard"_s);
    fromClipboard->setEnabled(fromClipboard->isEnabled() && picture);
}

void ContactTreeController::setCurrentItem()
{
    const int node = m_services.choice.selectedNode();
    if (node < 0)
        return;
    m_currentIndex = node;
    m_currentText = m_services.choice.nodeText(node);
}

void ContactTreeController::showList()
{
    m_tree.setList(m_services.choice.list());
    m_field.setItems(m_services.choice.list().DisplayName_List());
    showField();
    updateActions();
}

void ContactTreeController::showChecks()
{
    const RecipientChoice& choice = m_services.choice;
    for (int i = 0; i < m_tree.nodeCount(); ++i)
        m_tree.setChecked(i, choice.isChecked(i));
    m_tree.viewport()->update();
}

void ContactTreeController::showField()
{
    const RecipientChoice& choice = m_services.choice;
    m_field.display(choice.itemIndex(), choice.fieldText());
    m_field.setEnabled(choice.isFieldEnabled());
}

void ContactTreeController::onCheckToggled(int index, bool checked)
{
    RecipientChoice& choice = m_services.choice;
    if (choice.selectedNode() != index)
        choice.selectNode(index);
    choice.setChecked(index, checked);
    choice.R_TreeViewCheck();
}

void ContactTreeController::onMenuRequested(const QPoint& globalPos)
{
    m_menu->popup(globalPos);
}

void ContactTreeController::runCommand(Command command)
{
    setCurrentItem();
    const int node = m_services.choice.selectedNode();
    if (node < 0 || !m_services.commands.isAvailable(command))
        return;
    const bool contactOnly = command == Command::Check || command == Command::Ping ||
                             command == Command::Info || command == Command::SendBeep;
    // Shortcuts of the contact-only commands do nothing on a group.
    if (contactOnly && m_services.choice.list().IsGroup(node))
        return;
    m_services.commands.run(command, m_currentIndex, m_currentText);
}

void ContactTreeController::openConversation(int index)
{
    const RecipientChoice& choice = m_services.choice;
    if (index < 0 || index >= choice.count())
        return;
    const QString text = choice.nodeText(index);
    Q_EMIT conversationRequested(choice.list().tree().hasChildren(index) ? u'[' + text + u']' : text);
}

void ContactTreeController::openHistory()
{
    setCurrentItem();
    if (m_services.choice.selectedNode() < 0)
        return;
    const QString path = m_services.historyPath(m_currentText);
    if (QFileInfo::exists(path))
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ContactTreeController::saveList()
{
    QFileDialog dialog(&m_tree, u"Сохранить список"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(u"Список пользователей VTL (*.vtl)"_s);
    dialog.setDefaultSuffix(u"vtl"_s);
    dialog.selectFile(u"Список пользователей VTL"_s);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_services.list.saveListAs(dialog.selectedFiles().constFirst());
}

void ContactTreeController::loadList()
{
    const QString file = QFileDialog::getOpenFileName(&m_tree, u"Загрузить список"_s, {},
                                                      u"Список пользователей VTL (*.vtl)"_s);
    if (!file.isEmpty())
        m_services.list.loadListFrom(file);
}

void ContactTreeController::retype()
{
    const QString text = SwitchTextLayout(m_field.currentText(), m_services.keyboardLayout);
    m_services.choice.setTypedText(text);
    m_field.lineEdit()->end(false);
}

void ContactTreeController::chooseRecipient(const QString& text)
{
    RecipientChoice& choice = m_services.choice;
    if (!choice.isFieldEnabled())
        return;
    choice.setTypedText(text);
    choice.leaveField(m_tree.hasFocus());
}

bool ContactTreeController::PM_ADD_CompClick()
{
    return m_services.list.MyAddFavorites(m_services.choice.fieldText());
}

bool ContactTreeController::PM_DEL_CompClick(const std::function<void()>& confirmed)
{
    RecipientChoice& choice = m_services.choice;
    if (!m_services.list.MyDelFavorites(choice.fieldText(), choice.selectedNode(), confirmed))
        return false;
    if (choice.itemIndex() < 0)
        choice.setTypedText({});
    choice.R_TreeViewCheck();
    return true;
}

} // namespace vantrel
