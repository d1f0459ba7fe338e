#include "settings/dialog/favouritespage.h"

#include "contacts/contactlist.h"
#include "contacts/ui/adduserdialog.h"
#include "contacts/ui/inputnamedialog.h"
#include "settings/dialog/contacteditorbox.h"
#include "settings/dialog/favouritestree.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(caption);
    return b;
}

const QString ListFilter = u"Список пользователей VTL (*.vtl)"_s;

} // namespace

FavouritesPage::FavouritesPage(const SettingsDialogServices& services, QWidget* parent)
    : SettingsPage(parent)
    , m_services(services)
    , m_rules(services.contacts, services.host)
{
    setObjectName(u"TabSheet_Fav"_s);
    m_tree = new FavouritesTree(this);
    m_tree->setDropRule([this](int dragged, int target) { return m_rules.canDrop(dragged, target); });
    m_editor = new ContactEditorBox(services.dialogs, this);
    m_autoAdd = new QCheckBox(u"Автоматически добавлять в избранное при успешной отправке"_s, this);
    m_autoAdd->setObjectName(u"dxCheckbox_AutoAddUser"_s);
    m_add = button(this, u"SB_Add"_s, u"Добавить пользователя"_s);
    m_addGroup = button(this, u"SB_AddGroup"_s, u"Добавить группу"_s);
    m_delete = button(this, u"SB_Del"_s, u"Удалить пользователя"_s);
    m_save = button(this, u"SB_Save"_s, u"Сохранить список"_s);
    m_load = button(this, u"SB_Load"_s, u"Загрузить список"_s);

    auto* side = new QVBoxLayout;
    for (QPushButton* b : {m_add, m_addGroup, m_delete})
        side->addWidget(b);
    side->addSpacing(12);
    side->addWidget(m_save);
    side->addWidget(m_load);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_tree, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_autoAdd);
    layout->addWidget(m_editor);

    ContactList& list = m_services.contacts;
    connect(&list, &ContactList::rebuilt, this, &FavouritesPage::showList);
    connect(&list, &ContactList::selectionRequested, this, &FavouritesPage::selectNode);
    connect(m_tree, &FavouritesTree::nodeSelected, this, &FavouritesPage::showSelected);
    connect(m_tree, &FavouritesTree::dropRequested, this,
            [this](int dragged, int target, bool ctrl) { m_rules.drop(dragged, target, ctrl); });
    connect(m_editor, &ContactEditorBox::applyRequested, this, &FavouritesPage::applyEntry);
    connect(m_add, &QPushButton::clicked, this, &FavouritesPage::addContact);
    connect(m_addGroup, &QPushButton::clicked, this, &FavouritesPage::addGroup);
    connect(m_delete, &QPushButton::clicked, this, &FavouritesPage::deleteEntry);
    connect(m_save, &QPushButton::clicked, this, &FavouritesPage::saveList);
    connect(m_load, &QPushButton::clicked, this, &FavouritesPage::loadList);
    showList();
}

QString FavouritesPage::caption() const
{
    return u"Избранное"_s;
}

void FavouritesPage::load()
{
    m_autoAdd->setChecked(m_services.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.value());
    // The editor always shows an entry while there is one.
    if (m_tree->selectedNode() < 0 && m_tree->nodeCount() > 0)
        m_tree->selectNode(0);
    showSelected();
}

void FavouritesPage::apply()
{
    m_services.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(m_autoAdd->isChecked(),
                                                                         WriteMode::Deferred);
}

void FavouritesPage::showList()
{
    const int selected = m_tree->selectedNode();
    m_tree->setList(*m_services.contacts.snapshot());
    m_tree->selectNode(selected < m_tree->nodeCount() ? selected : -1);
    updateButtons();
}

void FavouritesPage::selectNode(int index)
{
    if (index >= 0)
        m_tree->selectNode(index);
    showSelected();
}

void FavouritesPage::showSelected()
{
    updateButtons();
    if (m_applying)
        return;
    const int node = m_tree->selectedNode();
    if (node >= 0)
        m_editor->showEntry(*m_services.contacts.snapshot(), node);
}

void FavouritesPage::updateButtons()
{
    const bool any = m_tree->nodeCount() > 0;
    m_editor->setVisible(any);
    m_delete->setEnabled(any);
    m_save->setEnabled(any);
    m_editor->applyButton()->setEnabled(any);
    m_editor->nickEdit()->setEnabled(any);
}

void FavouritesPage::applyEntry()
{
    const int node = m_tree->selectedNode();
    if (node < 0)
        return;
    // The editor keeps what was typed while the list is rebuilt under it.
    m_applying = true;
    m_rules.apply(node, m_editor->fields());
    m_applying = false;
}

void FavouritesPage::addContact()
{
    const int selected = m_tree->selectedNode();
    AddUserDialog dialog(m_services.dialogs, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const FavouritesEditor::Result result =
        m_rules.addContact(selected, dialog.netName(), dialog.nick(), dialog.address());
    if (result.outcome == FavouritesEditor::Outcome::Duplicate)
        selectNode(result.index);
}

void FavouritesPage::addGroup()
{
    const auto warn = [this] {
        m_services.dialogs.balloon(FavouritesEditor::forbiddenCharsText(),
                                   ContactListHost::BalloonLevel::Warning);
    };
    const std::optional<QString> name =
        ShowInputName(this, &m_services.settings, warn, u"Добавить группу"_s, u"Имя группы:"_s, QString());
    if (!name)
        return;
    const FavouritesEditor::Result result = m_rules.addGroup(*name);
    if (result.outcome == FavouritesEditor::Outcome::Duplicate)
        selectNode(result.index);
}

void FavouritesPage::deleteEntry()
{
    const int node = m_tree->selectedNode();
    if (node >= 0)
        m_rules.remove(node);
}

void FavouritesPage::saveList()
{
    QFileDialog dialog(this, u"Сохранить список"_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(ListFilter);
    dialog.setDefaultSuffix(u"vtl"_s);
    dialog.selectFile(u"Список пользователей VTL"_s);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_services.contacts.saveListAs(dialog.selectedFiles().constFirst());
}

void FavouritesPage::loadList()
{
    const QString file = QFileDialog::getOpenFileName(this, u"Загрузить список"_s, {}, ListFilter);
    if (!file.isEmpty())
        m_services.contacts.loadListFrom(file);
}

} // namespace vantrel
