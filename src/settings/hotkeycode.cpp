#include "settings/hotkeycode.h"

#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace vantrel::HotKeyCode {

namespace {

constexpr int KeyMask = 0x00FF;
constexpr int ModifierMask = Shift | Ctrl | Alt;

struct NamedKey {
    int code;
    Qt::Key key;
    const char16_t* name;
};

// Virtual-key codes whose key is not the same number as its character.
constexpr std::array<NamedKey, 36> Named{{
    {0x08, Qt::Key_Backspace, u"Backspace"},
    {0x09, Qt::Key_Tab, u"Tab"},
    {0x0D, Qt::Key_Return, u"Enter"},
    {0x13, Qt::Key_Pause, u"Pause"},
    {0x14, Qt::Key_CapsLock, u"CapsLock"},
    {0x1B, Qt::Key_Escape, u"Esc"},
    {0x20, Qt::Key_Space, u"Space"},
    {0x21, Qt::Key_PageUp, u"PgUp"},
    {0x22, Qt::Key_PageDown, u"PgDown"},
    {0x23, Qt::Key_End, u"End"},
    {0x24, Qt::Key_Home, u"Home"},
    {0x25, Qt::Key_Left, u"Left"},
    {0x26, Qt::Key_Up, u"Up"},
    {0x27, Qt::Key_Right, u"Right"},
    {0x28, Qt::Key_Down, u"Down"},
    {0x2C, Qt::Key_Print, u"Print"},
    {0x2D, Qt::Key_Insert, u"Ins"},
    {0x2E, Qt::Key_Delete, u"Del"},
    {0x6A, Qt::Key_Asterisk, u"Num *"},
    {0x6B, Qt::Key_Plus, u"Num +"},
    {0x6D, Qt::Key_Minus, u"Num -"},
    {0x6E, Qt::Key_Period, u"Num ."},
    {0x6F, Qt::Key_Slash, u"Num /"},
    {0x90, Qt::Key_NumLock, u"NumLock"},
    {0x91, Qt::Key_ScrollLock, u"ScrollLock"},
    {0xBA, Qt::Key_Semicolon, u";"},
    {0xBB, Qt::Key_Equal, u"="},
    {0xBC, Qt::Key_Comma, u","},
    {0xBD, Qt::Key_Minus, u"-"},
    {0xBE, Qt::Key_Period, u"."},
    {0xBF, Qt::Key_Slash, u"/"},
    {0xC0, Qt::Key_QuoteLeft, u"`"},
    {0xDB, Qt::Key_BracketLeft, u"["},
    {0xDC, Qt::Key_Backslash, u"\\"},
    {0xDD, Qt::Key_BracketRight, u"]"},
    {0xDE, Qt::Key_Apostrophe, u"'"},
}};

// The keypad's digits and operators carry the keypad modifier.
bool isKeypadCode(int vk)
{
    return vk >= 0x60 && vk <= 0x6F;
}

Qt::Key keyOf(int vk)
{
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A))
        return Qt::Key(vk);
    if (vk >= 0x60 && vk <= 0x69)
        return Qt::Key(Qt::Key_0 + (vk - 0x60));
    if (vk >= 0x70 && vk <= 0x87)
        return Qt::Key(Qt::Key_F1 + (vk - 0x70));
    for (const NamedKey& named : Named) {
        if (named.code == vk)
            return named.key;
    }
    return Qt::Key_unknown;
}

int codeOf(Qt::Key key, bool keypad)
{
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x60 + (key - Qt::Key_0);
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return int(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    // The keypad's operators come first in the table, the main keyboard's after them.
    for (const NamedKey& named : Named) {
        if (named.key == key && isKeypadCode(named.code) == keypad)
            return named.code;
    }
    for (const NamedKey& named : Named) {
        if (named.key == key)
            return named.code;
    }
    return 0;
}

} // namespace

QKeyCombination toKeyCombination(int code)
{
    if (code <= 0 || code > 0xFFFF || (code & ~(KeyMask | ModifierMask)) != 0)
        return QKeyCombination(Qt::Key_unknown);
    const int vk = code & KeyMask;
    const Qt::Key key = keyOf(vk);
    if (key == Qt::Key_unknown)
        return QKeyCombination(Qt::Key_unknown);
    Qt::KeyboardModifiers modifiers;
    if (code & Shift)
        modifiers |= Qt::ShiftModifier;
    if (code & Ctrl)
        modifiers |= Qt::ControlModifier;
    if (code & Alt)
        modifiers |= Qt::AltModifier;
    if (isKeypadCode(vk))
        modifiers |= Qt::KeypadModifier;
    return QKeyCombination(modifiers, key);
}

int fromKeyCombination(QKeyCombination combination)
{
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (modifiers & Qt::MetaModifier)
        return 0;
    const int vk = codeOf(combination.key(), modifiers & Qt::KeypadModifier);
    if (vk == 0)
        return 0;
    int code = vk;
    if (modifiers & Qt::ShiftModifier)
        code |= Shift;
    if (modifiers & Qt::ControlModifier)
        code |= Ctrl;
    if (modifiers & Qt::AltModifier)
        code |= Alt;
    return code;
}

QString text(int code)
{
    const QKeyCombination combination = toKeyCombination(code);
    if (combination.key() == Qt::Key_unknown)
        return {};
    QString result;
    if (code & Shift)
        result += u"Shift+"_s;
    if (code & Ctrl)
        result += u"Ctrl+"_s;
    if (code & Alt)
        result += u"Alt+"_s;
    const int vk = code & KeyMask;
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A))
        return result + QChar(vk);
    if (vk >= 0x60 && vk <= 0x69)
        return result + u"Num "_s + QChar(u'0' + (vk - 0x60));
    if (vk >= 0x70 && vk <= 0x87)
        return result + u'F' + QString::number(vk - 0x70 + 1);
    for (const NamedKey& named : Named) {
        if (named.code == vk)
            return result + QString::fromUtf16(named.name);
    }
    return {};
}

} // namespace vantrel::HotKeyCode
