#include "shell/listeditdialog.h"

#include "contacts/ui/dialogplacement.h"
#include "contacts/ui/inputnamedialog.h"
#include "contacts/ui/listwidgetrows.h"
#include "settings/settings.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

ListEditDialog::ListEditDialog(const QStringList& items, Settings& settings, InputFunction input,
                               QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_input(std::move(input))
{
    if (!m_input)
        m_input = [this](const QString& caption, const QString& label, const QString& text) {
            return ShowInputName(this, &m_settings, {}, caption, label, text);
        };
    setWindowTitle(u"Редактировать список"_s);
    setMinimumSize(MinimumWidth, MinimumHeight);

    m_list = new QListWidget(this);
    m_list->addItems(items);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_add = new QPushButton(u"Добавить"_s, this);
    m_delete = new QPushButton(u"Удалить"_s, this);
    m_edit = new QPushButton(u"Изменить"_s, this);
    m_up = new QToolButton(this);
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(this);
    m_down->setArrowType(Qt::DownArrow);
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Отмена"_s, this);

    auto* side = new QVBoxLayout;
    side->addWidget(m_add);
    side->addWidget(m_delete);
    side->addWidget(m_edit);
    auto* arrows = new QHBoxLayout;
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    arrows->addStretch();
    side->addLayout(arrows);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(m_ok);
    bottom->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);

    connect(m_add, &QPushButton::clicked, this, &ListEditDialog::addEntry);
    connect(m_delete, &QPushButton::clicked, this, &ListEditDialog::deleteEntry);
    connect(m_edit, &QPushButton::clicked, this, &ListEditDialog::editEntry);
    connect(m_up, &QToolButton::clicked, this, [this] { moveEntry(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { moveEntry(1); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        m_list->setCurrentItem(item);
        editEntry();
    });
    connect(m_list, &QListWidget::itemSelectionChanged, this, &ListEditDialog::updateButtons);

    // Nothing is selected at opening, so the four entry buttons start disabled.
    m_list->setCurrentRow(-1);
    m_list->clearSelection();
    updateButtons();
    restorePlacement();
}

QStringList ListEditDialog::items() const
{
    QStringList result;
    result.reserve(m_list->count());
    for (int i = 0; i < m_list->count(); ++i)
        result.append(m_list->item(i)->text());
    return result;
}

void ListEditDialog::done(int result)
{
    savePlacement();
    QDialog::done(result);
}

void ListEditDialog::addEntry()
{
    const std::optional<QString> text = m_input(u"Добавить быстрое сообщение"_s, u"Сообщение:"_s, QString());
    // A blank quick message would be an empty menu item that sends nothing: refused.
    if (!text || text->trimmed().isEmpty())
        return;
    m_list->addItem(*text);
    m_list->setCurrentRow(m_list->count() - 1);
    updateButtons();
}

void ListEditDialog::deleteEntry()
{
    if (DeleteSelectedRow(*m_list))
        updateButtons();
}

void ListEditDialog::editEntry()
{
    QListWidgetItem* item = m_list->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString entry = item->text();
    const std::optional<QString> text =
        m_input(u"Редактирование \""_s + entry + u'"', u"Новое имя:"_s, entry);
    if (!text || text->trimmed().isEmpty())
        return;
    item->setText(*text);
    updateButtons();
}

void ListEditDialog::moveEntry(int delta)
{
    const int row = m_list->currentRow();
    const int target = row + delta;
    if (row < 0 || target < 0 || target >= m_list->count())
        return;
    QListWidgetItem* item = m_list->takeItem(row);
    m_list->insertItem(target, item);
    m_list->setCurrentRow(target);
    updateButtons();
}

void ListEditDialog::updateButtons()
{
    const QListWidgetItem* current = m_list->currentItem();
    const int row = current && current->isSelected() ? m_list->currentRow() : -1;
    const int count = m_list->count();
    m_delete->setEnabled(row >= 0);
    m_edit->setEnabled(row >= 0);
    m_up->setEnabled(row > 0 && count > 1);
    m_down->setEnabled(row >= 0 && row < count - 1 && count > 1);
}

void ListEditDialog::restorePlacement()
{
    RestoreDialogPlacement(*this, m_settings, PlacementSection, QSize(MinimumWidth, MinimumHeight));
}

void ListEditDialog::savePlacement()
{
    SaveDialogPlacement(*this, m_settings, PlacementSection);
}

} // namespace vantrel
