#pragma once

#include "platform/autostart.h"
#include "platform/desktopnotifier.h"
#include "platform/globalhotkeys.h"
#include "platform/hostdiscovery.h"
#include "platform/icmppinger.h"
#include "platform/idletime.h"
#include "platform/keyboardlayout.h"
#include "platform/processrunner.h"
#include "platform/sessionstate.h"
#include "platform/soundplayer.h"
#include "platform/speaker.h"

#include <memory>

namespace vantrel {

// One implementation of each platform facility, owned together and handed to whoever needs one.
struct PlatformServices {
    std::unique_ptr<Autostart> autostart;
    std::unique_ptr<KeyboardLayout> keyboardLayout;
    std::unique_ptr<SessionState> sessionState;
    std::unique_ptr<Speaker> speaker;
    std::unique_ptr<SoundPlayer> soundPlayer;
    std::unique_ptr<IcmpPinger> icmpPinger;
    // Needed by the windowed program only, which fills them with the functions below where
    // still empty (tests may set their own first).
    std::unique_ptr<IdleTime> idleTime;
    std::unique_ptr<GlobalHotKeys> hotKeys;
    std::unique_ptr<DesktopNotifier> notifier;
    // Idle until the browse-for-computer dialog starts it.
    std::unique_ptr<HostDiscovery> hostDiscovery;
};

// The implementations for the platform the program was built for. Call it in the thread that
// runs the event loop: the speaker stops its tones with a timer of that thread.
std::unique_ptr<PlatformServices> createPlatformServices();

// The facilities of the windowed program, each chosen at run time from what the desktop
// offers. The session's idle time: on Wayland the desktop's idle monitor over D-Bus, on X11
// the X server's screen-saver extension; null where neither answers.
std::unique_ptr<IdleTime> createIdleTime();
// System-wide keys: the desktop portal's global shortcuts on Wayland where offered, else an X
// key grab where an X server answers, else a facility that refuses every key.
std::unique_ptr<GlobalHotKeys> createGlobalHotKeys(QObject* parent = nullptr);
// The runner of helper programs (Samba's tools for the Messenger-service transport).
std::unique_ptr<ProcessRunner> createProcessRunner();
// The desktop's notification service.
std::unique_ptr<DesktopNotifier> createDesktopNotifier();

} // namespace vantrel
