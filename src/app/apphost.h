#pragma once

#include "contacts/contactlisthost.h"
#include "messaging/messaginghost.h"
#include "shell/versioncheckhost.h"
#include "transfer/transferhost.h"

#include <QString>

namespace vantrel {

// What the program asks of its host (the windows, or the headless mode): the notifications
// and messages a person must see, the presentation of the messaging engine, the questions of
// the contact list, of file offers and of the version check, and the display of transfers.
class AppHost : public MessagingHost, public ContactListHost, public VersionCheckHost, public TransferHost {
public:
    // Balloon levels of ShowBalloonHint.
    enum BalloonLevel { None = 0, Info = 1, Warning = 2, Error = 3 };

    // The one notification call: a tray balloon (desktop notification).
    virtual void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) = 0;
    // A modal error message (the few errors that are shown in a message box).
    virtual void showErrorBox(const QString& title, const QString& text) = 0;

    // Every balloon goes through ShowBalloonHint with the timeout all callers pass.
    void showBalloon(const QString& title, const QString& text, MessagingHost::BalloonLevel level) override
    {
        ShowBalloonHint(title, text, 10, static_cast<int>(level));
    }
    void showBalloon(const QString& title, const QString& text, ContactListHost::BalloonLevel level) override
    {
        ShowBalloonHint(title, text, 10, static_cast<int>(level));
    }
};

} // namespace vantrel
