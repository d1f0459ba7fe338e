#include "contacts/ui/ipaddressedit.h"

#include <QHBoxLayout>
#include <QHostAddress>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

using namespace Qt::StringLiterals;

namespace vantrel {

IpAddressEdit::IpAddressEdit(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    const QRegularExpression octet(u"25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9]"_s);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(u"."_s, this));
        auto* box = new QLineEdit(this);
        box->setObjectName(u"octet%1"_s.arg(i));
        box->setMaxLength(3);
        // 0 to 255 and nothing else: a value past it is refused as it is typed.
        box->setValidator(new QRegularExpressionValidator(octet, box));
        box->setAlignment(Qt::AlignCenter);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(u"0000"_s) + 8);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i < 3)
                focusBox(i + 1, true);
            Q_EMIT textEdited();
        });
        layout->addWidget(box);
        m_boxes.append(box);
    }
    layout->addStretch();
    setFocusProxy(m_boxes.constFirst());
    setText({});
}

QString IpAddressEdit::text() const
{
    QStringList parts;
    for (const QLineEdit* box : m_boxes)
        parts.append(QString::number(box->text().toInt()));
    return parts.join(u'.');
}

void IpAddressEdit::setText(const QString& address)
{
    const QHostAddress parsed(address.trimmed());
    bool ok = false;
    const quint32 value = parsed.toIPv4Address(&ok);
    for (int i = 0; i < 4; ++i) {
        const quint32 octet = (value >> (8 * (3 - i))) & 0xFF;
        m_boxes.at(i)->setText(ok && value != 0 ? QString::number(octet) : QString());
    }
}

bool IpAddressEdit::isBlank() const
{
    return text() == u"0.0.0.0"_s;
}

bool IpAddressEdit::hasFocusInside() const
{
    for (const QLineEdit* box : m_boxes) {
        if (box->hasFocus())
            return true;
    }
    return false;
}

void IpAddressEdit::focusBox(int index, bool atStart)
{
    QLineEdit* box = m_boxes.at(index);
    box->setFocus(Qt::OtherFocusReason);
    if (atStart)
        box->selectAll();
    else
        box->end(false);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int index = int(m_boxes.indexOf(qobject_cast<QLineEdit*>(watched)));
    if (index < 0)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QLineEdit* box = m_boxes.at(index);
    if (key->text() == u"."_s || key->text() == u","_s) {
        if (index < 3 && !box->text().isEmpty())
            focusBox(index + 1, true);
        return true;
    }
    if (key->key() == Qt::Key_Backspace && box->cursorPosition() == 0 && !box->hasSelectedText() &&
        index > 0) {
        focusBox(index - 1, false);
        return true;
    }
    if (key->key() == Qt::Key_Left && box->cursorPosition() == 0 && index > 0) {
        focusBox(index - 1, false);
        return true;
    }
    if (key->key() == Qt::Key_Right && box->cursorPosition() == box->text().size() && index < 3) {
        focusBox(index + 1, false);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantrel
