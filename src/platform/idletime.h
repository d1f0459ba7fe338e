#pragma once

#include <QtGlobal>

#include <optional>

namespace vantrel {

// How long the user of the desktop session has not touched the keyboard or the mouse, in any
// program. Polled by the automatic away mode.
class IdleTime {
public:
    IdleTime() = default;
    virtual ~IdleTime() = default;
    Q_DISABLE_COPY_MOVE(IdleTime)

    // Milliseconds since the last input of the session; nullopt when it cannot be asked now.
    virtual std::optional<qint64> idleMs() = 0;
};

} // namespace vantrel
