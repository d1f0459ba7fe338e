#include "settings/dialog/blacklistpage.h"

#include "contacts/favouriteseditor.h"
#include "contacts/ui/inputnamedialog.h"
#include "contacts/ui/listwidgetrows.h"
#include "settings/settings.h"

#include <QCollator>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

BlackListPage::BlackListPage(const SettingsDialogServices& services, QWidget* parent)
    : SettingsPage(parent)
    , m_services(services)
{
    setObjectName(u"TabSheet_BlackList"_s);
    m_list = new QListWidget(this);
    m_list->setObjectName(u"ListBox_BlackList"_s);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_add = new QPushButton(u"Добавить компьютер"_s, this);
    m_add->setObjectName(u"BitBtn_AddInBlackList"_s);
    m_delete = new QPushButton(u"Удалить компьютер"_s, this);
    m_delete->setObjectName(u"BitBtn_DelFromBlackList"_s);
    m_edit = new QPushButton(u"Редактировать"_s, this);
    m_edit->setObjectName(u"BitBtn_EditBlackList"_s);
    // Two lines of their own: a wrapping label would make the dialog's height follow this page.
    auto* note = new QLabel(u"Сообщения и файлы от этих компьютеров не принимаются.\n"
                            u"Компьютер задаётся именем в сети или IPv4-адресом."_s,
                            this);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(m_delete);
    side->addWidget(m_edit);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(note);

    connect(m_add, &QPushButton::clicked, this, &BlackListPage::addEntry);
    connect(m_delete, &QPushButton::clicked, this, &BlackListPage::deleteEntry);
    connect(m_edit, &QPushButton::clicked, this, &BlackListPage::editEntry);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &BlackListPage::updateButtons);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_list->setCurrentItem(item);
        editEntry();
    });
}

QString BlackListPage::caption() const
{
    return u"Чёрный список"_s;
}

QStringList BlackListPage::entries() const
{
    QStringList result;
    result.reserve(m_list->count());
    for (int i = 0; i < m_list->count(); ++i)
        result.append(m_list->item(i)->text());
    return result;
}

void BlackListPage::load()
{
    m_list->clear();
    for (const QString& entry : m_services.settings.fmConfig.ListBox_BlackList_Items.value())
        insertSorted(entry);
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    updateButtons();
}

void BlackListPage::apply()
{
    m_services.settings.fmConfig.ListBox_BlackList_Items.setValue(entries(), WriteMode::Deferred);
}

void BlackListPage::updateButtons()
{
    const QListWidgetItem* current = m_list->currentItem();
    const bool selected = current && current->isSelected();
    m_delete->setEnabled(selected);
    m_edit->setEnabled(selected);
}

void BlackListPage::insertSorted(const QString& entry)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    int row = 0;
    while (row < m_list->count() && collator.compare(m_list->item(row)->text(), entry) <= 0)
        ++row;
    m_list->insertItem(row, entry);
    m_list->setCurrentRow(row);
}

std::optional<QString> BlackListPage::ask(const QString& caption, const QString& label, const QString& text)
{
    const auto warn = [this] {
        m_services.dialogs.balloon(FavouritesEditor::forbiddenCharsText(),
                                   ContactListHost::BalloonLevel::Warning);
    };
    return ShowInputName(this, &m_services.settings, warn, caption, label, text);
}

void BlackListPage::addEntry()
{
    const std::optional<QString> name = ask(u"Добавить имя компьютера"_s, u"Введите имя:"_s, QString());
    if (!name || name->trimmed().isEmpty())
        return;
    insertSorted(name->trimmed());
    updateButtons();
}

void BlackListPage::deleteEntry()
{
    if (DeleteSelectedRow(*m_list))
        updateButtons();
}

void BlackListPage::editEntry()
{
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString entry = item->text();
    const std::optional<QString> name = ask(u"Редактирование "_s + entry, u"Новое имя:"_s, entry);
    if (!name || name->trimmed().isEmpty())
        return;
    delete m_list->takeItem(m_list->row(item));
    insertSorted(name->trimmed());
    updateButtons();
}

} // namespace vantrel
