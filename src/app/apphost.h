#pragma once

#include <QString>

namespace vantrel {

// What the program core asks of its host (the windows, or the headless mode): the
// notifications and messages a person must see.
class AppHost {
public:
    virtual ~AppHost() = default;

    // Balloon levels of ShowBalloonHint.
    enum BalloonLevel { None = 0, Info = 1, Warning = 2, Error = 3 };

    // The one notification call: a tray balloon (desktop notification).
    virtual void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) = 0;
    // A modal error message (the few errors that are shown in a message box).
    virtual void showErrorBox(const QString& title, const QString& text) = 0;
};

} // namespace vantrel
