#pragma once

#include "platform/sessionstate.h"

namespace vantrel {

// Screen saver and lock state over D-Bus: the session bus's org.freedesktop.ScreenSaver and
// logind's LockedHint of the caller's session on the system bus. Every call waits at most
// `timeoutMs`, so a bus that does not answer cannot hold up the caller for long; any failure
// counts as "no".
class DBusSessionState final : public SessionState {
public:
    explicit DBusSessionState(int timeoutMs = 500);

    bool isScreenSaverRunning() const override;
    bool isWorkstationLocked() const override;

private:
    int m_timeoutMs;
};

} // namespace vantrel
