#include "shell/answeringdialog.h"

#include "contacts/ui/dialogplacement.h"
#include "shell/awaytexts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

AnsweringDialog::AnsweringDialog(AwayTexts& texts, Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_texts(texts)
    , m_settings(settings)
{
    setObjectName(u"fmAnswering"_s);
    setWindowTitle(u"Редактирование сообщений статуса \"Отсутствую\""_s);
    m_combo = new QComboBox(this);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setMinimumContentsLength(30);
    m_combo->addItems(m_texts.items());
    m_combo->setEditText(m_texts.editorText());
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_add = new QPushButton(u"Добавить"_s, this);
    m_add->setAutoDefault(false);
    m_delete = new QPushButton(u"Удалить"_s, this);
    m_delete->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_combo);
    layout->addLayout(buttons);

    connect(m_combo, &QComboBox::editTextChanged, this, &AnsweringDialog::updateButtons);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_texts.setText(m_combo->currentText());
        accept();
    });
    connect(m_add, &QPushButton::clicked, this, &AnsweringDialog::addText);
    connect(m_delete, &QPushButton::clicked, this, &AnsweringDialog::deleteText);
    updateButtons();
    RestoreDialogPlacement(*this, m_settings, PlacementSection, minimumSizeHint());
}

QStringList AnsweringDialog::comboItems() const
{
    QStringList items;
    items.reserve(m_combo->count());
    for (int i = 0; i < m_combo->count(); ++i)
        items.append(m_combo->itemText(i));
    return items;
}

void AnsweringDialog::updateButtons()
{
    const bool text = !m_combo->currentText().trimmed().isEmpty();
    m_ok->setEnabled(text);
    m_add->setEnabled(text);
    m_delete->setEnabled(text);
}

void AnsweringDialog::addText()
{
    QStringList items = comboItems();
    const QString text = m_combo->currentText();
    if (!m_texts.addItem(text, items))
        return;
    m_combo->addItem(items.constLast());
    // Adding an item may select it and so rewrite the text: keep what was typed.
    m_combo->setEditText(text);
    m_listChanged = true;
    m_add->setEnabled(false);
}

void AnsweringDialog::deleteText()
{
    QStringList items = comboItems();
    if (!m_texts.deleteItem(m_combo->currentText(), items))
        return;
    // The deleted entry is where the combo box and the shortened copy first differ.
    int row = 0;
    while (row < items.size() && m_combo->itemText(row) == items.at(row))
        ++row;
    m_combo->removeItem(row);
    m_listChanged = true;
    m_combo->setEditText(QString());
    m_ok->setEnabled(false);
    m_add->setEnabled(false);
    m_delete->setEnabled(false);
}

void AnsweringDialog::done(int result)
{
    SaveDialogPlacement(*this, m_settings, PlacementSection);
    if (m_listChanged)
        m_texts.setItems(comboItems());
    QDialog::done(result);
}

} // namespace vantrel
