#pragma once

#include <QtGlobal>

namespace vantrel {

// The two input layouts the program switches between.
enum class LayoutId { US, Russian };

// The desktop's keyboard input layout.
class KeyboardLayout {
public:
    KeyboardLayout() = default;
    virtual ~KeyboardLayout() = default;
    Q_DISABLE_COPY_MOVE(KeyboardLayout)

    // True when the active layout is not US English. False when the layout cannot be queried.
    virtual bool isNonUSLayout() const = 0;

    // Makes `layout` the active input layout; false when it is not configured or cannot be
    // switched.
    virtual bool activate(LayoutId layout) = 0;
};

} // namespace vantrel
