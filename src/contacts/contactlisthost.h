#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// What the contact list shows to the user and asks of the user, implemented by the windows,
// by the headless mode and by tests. Called on the list's (main) thread only.
class ContactListHost {
public:
    // Notification levels of a tray balloon.
    enum class BalloonLevel { None = 0, Information = 1, Warning = 2, Error = 3 };

    ContactListHost() = default;
    virtual ~ContactListHost() = default;
    Q_DISABLE_COPY_MOVE(ContactListHost)

    // A tray balloon.
    virtual void showBalloon(const QString& title, const QString& text, BalloonLevel level) = 0;
    // A modal warning box with the buttons Yes and No; true when the user answers Yes.
    virtual bool askYesNo(const QString& title, const QString& question) = 0;
};

} // namespace vantrel
