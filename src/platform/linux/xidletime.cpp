#include "platform/linux/xidletime.h"

#if defined(VANTREL_HAVE_XSS)
// Xlib defines macros (Bool, Status, None, ...) that clash with Qt: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>
#endif

namespace vantrel {

#if defined(VANTREL_HAVE_XSS)

struct XIdleTime::Connection {
    Display* display = nullptr;
    XScreenSaverInfo* info = nullptr;
    ~Connection()
    {
        if (info)
            XFree(info);
        if (display)
            XCloseDisplay(display);
    }
};

std::unique_ptr<XIdleTime> XIdleTime::open()
{
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(nullptr);
    if (!connection->display)
        return nullptr;
    int event = 0;
    int error = 0;
    if (!XScreenSaverQueryExtension(connection->display, &event, &error))
        return nullptr;
    connection->info = XScreenSaverAllocInfo();
    if (!connection->info)
        return nullptr;
    return std::unique_ptr<XIdleTime>(new XIdleTime(std::move(connection)));
}

std::optional<qint64> XIdleTime::idleMs()
{
    Display* display = m_connection->display;
    if (!XScreenSaverQueryInfo(display, DefaultRootWindow(display), m_connection->info))
        return std::nullopt;
    return qint64(m_connection->info->idle);
}

#else

struct XIdleTime::Connection {};

std::unique_ptr<XIdleTime> XIdleTime::open()
{
    return nullptr;
}

std::optional<qint64> XIdleTime::idleMs()
{
    return std::nullopt;
}

#endif

XIdleTime::XIdleTime(std::unique_ptr<Connection> connection)
    : m_connection(std::move(connection))
{}

XIdleTime::~XIdleTime() = default;

} // namespace vantrel
