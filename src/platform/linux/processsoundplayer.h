#pragma once

#include "platform/soundplayer.h"

namespace vantrel {

// Plays a WAV file with the first command-line player found in PATH (pw-play, paplay, aplay),
// started as a detached process: the engine stays free of any audio library and of the GUI
// application object that an in-process sound effect would require.
class ProcessSoundPlayer final : public SoundPlayer {
public:
    ProcessSoundPlayer() = default;

    bool play(const QString& wavFile) override;
};

} // namespace vantrel
