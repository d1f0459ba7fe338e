#include "contacts/ui/recipientfield.h"

#include "contacts/recipientchoice.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace vantrel {

RecipientField::RecipientField(QWidget* parent)
    : QComboBox(parent)
{
    setObjectName(u"ComboBox_Comp"_s);
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed names are matched on leaving the field, not completed while typing.
    setCompleter(nullptr);
    lineEdit()->setMaxLength(RecipientChoice::MaxTextLength);
    setToolTip(u"Сетевое имя или IP-адрес получателя; несколько — через \";\""_s);
    setAccessibleName(u"Получатель"_s);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!m_syncing)
            Q_EMIT textTyped(text);
    });
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!m_syncing)
            Q_EMIT itemChosen(index);
    });
}

void RecipientField::setItems(const QStringList& names)
{
    ++m_syncing;
    const QString text = currentText();
    clear();
    addItems(names);
    setCurrentIndex(-1);
    setEditText(text);
    --m_syncing;
}

void RecipientField::display(int itemIndex, const QString& text)
{
    ++m_syncing;
    if (currentIndex() != itemIndex)
        setCurrentIndex(itemIndex);
    if (currentText() != text)
        setEditText(text);
    --m_syncing;
}

void RecipientField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!view()->isVisible()) {
            Q_EMIT enterPressed();
            event->accept();
            return;
        }
        break;
    case Qt::Key_F12:
        Q_EMIT retypeRequested();
        event->accept();
        return;
    default:
        break;
    }
    QComboBox::keyPressEvent(event);
}

void RecipientField::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason)
        Q_EMIT focusLeft();
}

} // namespace vantrel
