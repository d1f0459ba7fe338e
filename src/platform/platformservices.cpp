#include "platform/platformservices.h"

#include "platform/nullkeyboardlayout.h"

#if defined(Q_OS_LINUX)
#include "platform/linux/avahihostdiscovery.h"
#include "platform/linux/dbussessionstate.h"
#include "platform/linux/linuxicmppinger.h"
#include "platform/linux/pcspeaker.h"
#include "platform/linux/processsoundplayer.h"
#include "platform/linux/xdgautostart.h"
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

} // namespace vantrel
