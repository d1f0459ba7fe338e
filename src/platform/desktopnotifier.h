#pragma once

#include <QString>

#include <functional>

namespace vantrel {

// The desktop's notification service: the place of balloons where no tray exists.
class DesktopNotifier {
public:
    // Balloon levels: 0 none, 1 information, 2 warning, 3 error.
    using Fallback = std::function<void()>;

    DesktopNotifier() = default;
    virtual ~DesktopNotifier() = default;
    Q_DISABLE_COPY_MOVE(DesktopNotifier)

    // Shows a notification without waiting for the service; when it cannot be shown,
    // `fallback` runs later on the caller's thread.
    virtual void notify(const QString& title, const QString& text, int level, int timeoutMs,
                        Fallback fallback) = 0;
};

} // namespace vantrel
