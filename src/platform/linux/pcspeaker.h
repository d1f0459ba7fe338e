#pragma once

#include "platform/speaker.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace vantrel {

// Tones through the PC speaker's input device (EV_SND / SND_TONE), where the user may write to
// it; otherwise the X bell when an X server is reachable; otherwise silence. The tone is
// stopped by a timer in the owner's thread, so beep() never waits for its duration.
class PcSpeaker final : public QObject, public Speaker {
    Q_OBJECT
public:
    // `devicePath` empty: the first PC-speaker input device found below /dev/input.
    explicit PcSpeaker(const QString& devicePath = {}, QObject* parent = nullptr);
    ~PcSpeaker() override;

    void beep(int frequencyHz, int durationMs) override;

private:
    void startTone(int frequencyHz, int durationMs);
    bool openDevice();
    bool writeTone(int frequencyHz);
    static void ringBell();

    QString m_devicePath;
    int m_fd = -1;
    bool m_searched = false;
    QTimer m_stopTimer;
};

} // namespace vantrel
