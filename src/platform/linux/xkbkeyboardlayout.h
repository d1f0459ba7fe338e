#pragma once

#include "platform/keyboardlayout.h"

#include <QString>
#include <QStringList>

namespace vantrel {

// The X keyboard extension's layout groups. Every call opens its own short connection to the
// X server, so a server that goes away never takes the program with it; without a server both
// calls answer false and the layout stays as it is.
class XkbKeyboardLayout final : public KeyboardLayout {
public:
    XkbKeyboardLayout() = default;

    bool isNonUSLayout() const override;
    bool activate(LayoutId layout) override;

    // The layout name of each group, in group order, read from an XKB symbols name such as
    // "pc+us+ru:2+inet(evdev)+group(alt_shift_toggle)" (gives "us", "ru"). Groups without a
    // layout are empty strings.
    static QStringList layoutsFromSymbols(const QString& symbols);
};

} // namespace vantrel
