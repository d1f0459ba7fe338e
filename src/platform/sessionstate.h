#pragma once

#include <QtGlobal>

namespace vantrel {

// State of the user's desktop session, polled by the automatic away mode.
class SessionState {
public:
    SessionState() = default;
    virtual ~SessionState() = default;
    Q_DISABLE_COPY_MOVE(SessionState)

    // True while the screen saver runs; false when it does not or cannot be asked.
    virtual bool isScreenSaverRunning() const = 0;

    // True while the session is locked; false when it is not or cannot be asked.
    virtual bool isWorkstationLocked() const = 0;
};

} // namespace vantrel
