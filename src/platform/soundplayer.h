#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// Plays notification sounds.
class SoundPlayer {
public:
    SoundPlayer() = default;
    virtual ~SoundPlayer() = default;
    Q_DISABLE_COPY_MOVE(SoundPlayer)

    // Starts playing the WAV file and returns at once. True when playback was started; false
    // when the file is missing or nothing can play it.
    virtual bool play(const QString& wavFile) = 0;
};

} // namespace vantrel
