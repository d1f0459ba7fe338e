#pragma once

#include <QtGlobal>

namespace vantrel {

// A plain tone for the beep signal.
class Speaker {
public:
    Speaker() = default;
    virtual ~Speaker() = default;
    Q_DISABLE_COPY_MOVE(Speaker)

    // Sounds a tone of `frequencyHz` for `durationMs`. Returns at once: the tone is stopped
    // later. Where no tone can be made, a bell or nothing. Callable from any thread.
    virtual void beep(int frequencyHz, int durationMs) = 0;
};

} // namespace vantrel
