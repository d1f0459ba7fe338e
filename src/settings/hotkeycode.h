#pragma once

#include <QKeyCombination>
#include <QString>

namespace vantrel::HotKeyCode {

// A system-wide hot key as the settings store it: a 16-bit number whose low byte is the
// key's virtual-key code, plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt
// (Ctrl+Alt+R is 49234). Stored files from Windows peers use the same numbers.
inline constexpr int Shift = 0x2000;
inline constexpr int Ctrl = 0x4000;
inline constexpr int Alt = 0x8000;

// The key combination of a stored number; Qt::Key_unknown as its key for 0, for a number
// outside 16 bits and for a virtual-key code that has no key here.
QKeyCombination toKeyCombination(int code);
// The stored number of a key combination; 0 when its key has no virtual-key code. Meta is
// not representable and makes it 0 as well.
int fromKeyCombination(QKeyCombination combination);
// The text of a stored number as shown to the user: "Ctrl+Alt+R" ("Shift+", "Ctrl+", "Alt+"
// in that order, then the key); empty for a number without a key.
QString text(int code);

} // namespace vantrel::HotKeyCode
