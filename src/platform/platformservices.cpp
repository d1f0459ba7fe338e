#include "platform/platformservices.h"

#include "platform/nullhotkeys.h"
#include "platform/nullkeyboardlayout.h"

#if defined(Q_OS_LINUX)
#include "platform/linux/avahihostdiscovery.h"
#include "platform/linux/dbusidletime.h"
#include "platform/linux/dbusnotifier.h"
#include "platform/linux/dbussessionstate.h"
#include "platform/linux/linuxicmppinger.h"
#include "platform/linux/linuxprocessrunner.h"
#include "platform/linux/pcspeaker.h"
#include "platform/linux/portalhotkeys.h"
#include "platform/linux/processsoundplayer.h"
#include "platform/linux/x11hotkeys.h"
#include "platform/linux/xdgautostart.h"
#include "platform/linux/xidletime.h"
#include "platform/linux/xkbkeyboardlayout.h"
#else
#error "No platform implementation for this operating system"
#endif

namespace vantrel {

std::unique_ptr<PlatformServices> createPlatformServices()
{
    auto services = std::make_unique<PlatformServices>();
    services->autostart = std::make_unique<XdgAutostart>();
#if defined(VANTREL_HAVE_X11)
    services->keyboardLayout = std::make_unique<XkbKeyboardLayout>();
#else
    services->keyboardLayout = std::make_unique<NullKeyboardLayout>();
#endif
    services->sessionState = std::make_unique<DBusSessionState>();
    services->speaker = std::make_unique<PcSpeaker>();
    services->soundPlayer = std::make_unique<ProcessSoundPlayer>();
    services->icmpPinger = std::make_unique<LinuxIcmpPinger>();
    services->hostDiscovery = std::make_unique<AvahiHostDiscovery>();
    return services;
}

namespace {

bool isWaylandSession()
{
    return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1StringView("wayland");
}

} // namespace

std::unique_ptr<IdleTime> createIdleTime()
{
    // Under Wayland the X server (Xwayland) sees only the input of X programs.
    if (isWaylandSession()) {
        if (auto source = DBusIdleTime::open())
            return source;
    }
    if (auto source = XIdleTime::open())
        return source;
    return DBusIdleTime::open();
}

std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent)
{
    if (isWaylandSession()) {
        if (auto keys = PortalHotKeys::open(parent))
            return keys;
    }
    if (auto keys = X11HotKeys::open(parent))
        return keys;
    return std::make_unique<NullHotKeys>(parent);
}

std::unique_ptr<ProcessRunner> createProcessRunner()
{
    return std::make_unique<LinuxProcessRunner>();
}

std::unique_ptr<DesktopNotifier> createDesktopNotifier()
{
    return std::make_unique<DBusNotifier>();
}

} // namespace vantrel
