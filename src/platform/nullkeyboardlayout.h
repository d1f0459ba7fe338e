#pragma once

#include "platform/keyboardlayout.h"

namespace vantrel {

// Used where the desktop offers no way to read or switch the layout: text is still retyped,
// the layout stays as it is.
class NullKeyboardLayout final : public KeyboardLayout {
public:
    NullKeyboardLayout() = default;
    bool isNonUSLayout() const override { return false; }
    bool activate(LayoutId) override { return false; }
};

} // namespace vantrel
