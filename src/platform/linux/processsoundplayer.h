#pragma once

#include "platform/soundplayer.h"

#include <QString>

#include <memory>

class QProcess;

namespace vantrel {

// Plays a WAV file with the first command-line player found in PATH (pw-play, paplay, aplay):
// the engine stays free of any audio library and of the GUI application object that an
// in-process sound effect would require. One sound plays at a time: a request while one plays
// is kept (only the latest) and played once the current one ends, so a burst of messages or
// beeps starts at most two players, not one per request. A player that does not end within
// MaxPlayMs is stopped.
class ProcessSoundPlayer final : public SoundPlayer {
public:
    static constexpr int MaxPlayMs = 30000;

    ProcessSoundPlayer();
    ~ProcessSoundPlayer() override;
    Q_DISABLE_COPY_MOVE(ProcessSoundPlayer)

    bool play(const QString& wavFile) override;
    // Whether a player runs now (tests).
    bool isPlaying() const;
    // Players started so far.
    int startedCount() const { return m_started; }

private:
    bool start(const QString& wavFile);

    std::unique_ptr<QProcess> m_process;
    QString m_next;
    int m_started = 0;
};

} // namespace vantrel
