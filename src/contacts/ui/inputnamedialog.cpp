#include "contacts/ui/inputnamedialog.h"

#include "contacts/ui/dialogplacement.h"
#include "contacts/ui/namecharfilter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

InputNameDialog::InputNameDialog(Settings* settings, std::function<void()> refused, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(u"fmInputName"_s);
    setWindowTitle(u"Добавить имя"_s);
    m_label = new QLabel(u"Новое имя:"_s, this);
    m_label->setObjectName(u"Label_Name"_s);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(u"Edit_Name"_s);
    m_edit->setMaxLength(MaxLength);
    m_edit->setMinimumWidth(280);
    m_label->setBuddy(m_edit);
    NameCharFilter::install(m_edit, std::move(refused));
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Отмена"_s, this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_edit);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.trimmed().isEmpty()); });
    m_ok->setEnabled(false);
    if (m_settings)
        RestoreDialogPlacement(*this, *m_settings, PlacementSection);
}

void InputNameDialog::setTexts(const QString& caption, const QString& label, const QString& text)
{
    setWindowTitle(caption);
    m_label->setText(label);
    m_edit->setText(text);
    m_ok->setEnabled(!text.trimmed().isEmpty());
}

QString InputNameDialog::text() const
{
    return m_edit->text();
}

void InputNameDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_edit->setFocus(Qt::ActiveWindowFocusReason);
    // Showing a dialog selects the text of its first field afterwards: the caret is placed once
    // that is done.
    QTimer::singleShot(0, this, [this] {
        m_edit->deselect();
        m_edit->end(false);
    });
}

void InputNameDialog::done(int result)
{
    if (m_settings)
        SaveDialogPlacement(*this, *m_settings, PlacementSection);
    QDialog::done(result);
}

std::optional<QString> ShowInputName(QWidget* parent, Settings* settings,
                                     const std::function<void()>& refused, const QString& caption,
                                     const QString& label, const QString& text)
{
    InputNameDialog dialog(settings, refused, parent);
    dialog.setTexts(caption, label, text);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

} // namespace vantrel
