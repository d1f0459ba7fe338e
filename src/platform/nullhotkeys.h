#pragma once

#include "platform/globalhotkeys.h"

namespace vantrel {

// Where the desktop offers no way to register system-wide keys: every registration fails.
class NullHotKeys final : public GlobalHotKeys {
    Q_OBJECT
public:
    using GlobalHotKeys::GlobalHotKeys;
    bool setHotKey(int, QKeyCombination) override { return false; }
    void clearHotKey(int) override {}
};

} // namespace vantrel
