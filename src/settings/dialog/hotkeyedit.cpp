#include "settings/dialog/hotkeyedit.h"

#include "settings/hotkeycode.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace vantrel {

HotKeyEdit::HotKeyEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setHotKey(0);
}

void HotKeyEdit::setHotKey(int code)
{
    m_code = HotKeyCode::text(code).isEmpty() ? 0 : code;
    setText(m_code == 0 ? u"Нет"_s : HotKeyCode::text(m_code));
}

bool HotKeyEdit::event(QEvent* event)
{
    // Shortcuts of the window (Alt+letter, Enter for OK) would take the key first.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Escape) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void HotKeyEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        event->ignore();
        return;
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_unknown:
        event->accept();
        return;
    default:
        break;
    }
    if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && modifiers == Qt::NoModifier) {
        setHotKey(0);
        Q_EMIT hotKeyChanged(0);
        event->accept();
        return;
    }
    if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)
        modifiers = Qt::ControlModifier | Qt::AltModifier;
    const int code = HotKeyCode::fromKeyCombination(QKeyCombination(modifiers, Qt::Key(key)));
    if (code != 0) {
        setHotKey(code);
        Q_EMIT hotKeyChanged(code);
    }
    event->accept();
}

} // namespace vantrel
