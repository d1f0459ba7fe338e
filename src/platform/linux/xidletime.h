#pragma once

#include "platform/idletime.h"

#include <memory>

namespace vantrel {

// The session's idle time from the X server's screen-saver extension, over a connection of
// its own.
class XIdleTime final : public IdleTime {
public:
    ~XIdleTime() override;

    // Null when no X server answers on $DISPLAY or it lacks the extension.
    static std::unique_ptr<XIdleTime> open();

    std::optional<qint64> idleMs() override;

private:
    struct Connection;
    explicit XIdleTime(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> m_connection;
};

} // namespace vantrel
