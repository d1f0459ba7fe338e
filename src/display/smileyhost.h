#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// What the smiley parts show to the user, implemented by the windows, by the headless mode
// and by tests. Called on the UI thread only.
class SmileyHost {
public:
    // Notification levels of a tray balloon.
    enum class BalloonLevel { None = 0, Information = 1, Warning = 2, Error = 3 };

    SmileyHost() = default;
    virtual ~SmileyHost() = default;
    Q_DISABLE_COPY_MOVE(SmileyHost)

    // A tray balloon.
    virtual void showBalloon(const QString& title, const QString& text, BalloonLevel level) = 0;
    // The main window's current caption: the title of the missing-picture balloons.
    virtual QString mainWindowCaption() const = 0;
};

} // namespace vantrel
