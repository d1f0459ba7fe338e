#pragma once

#include "platform/autostart.h"
#include "platform/hostdiscovery.h"
#include "platform/icmppinger.h"
#include "platform/keyboardlayout.h"
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
    // Idle until the browse-for-computer dialog starts it.
    std::unique_ptr<HostDiscovery> hostDiscovery;
};

// The implementations for the platform the program was built for. Call it in the thread that
// runs the event loop: the speaker stops its tones with a timer of that thread.
std::unique_ptr<PlatformServices> createPlatformServices();

} // namespace vantrel
