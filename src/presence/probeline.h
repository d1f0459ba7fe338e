#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// The colours the probe commands print in (the conversation window maps them to its text colours).
enum class LineColor {
    Black, // ordinary lines
    Red,   // failures: time-outs, unknown hosts, unreachable partners
    Green, // a reachable partner
    Navy   // the information block
};

// 0xRRGGBB of a line colour: black, red (255, 0, 0), green (0, 128, 0), navy (0, 0, 128).
constexpr quint32 rgbOf(LineColor color)
{
    switch (color) {
    case LineColor::Black:
        return 0x000000;
    case LineColor::Red:
        return 0xff0000;
    case LineColor::Green:
        return 0x008000;
    case LineColor::Navy:
        return 0x000080;
    }
    return 0x000000;
}

// One line a probe command prints into a conversation window.
struct ProbeLine {
    QString text;
    LineColor color = LineColor::Black;

    friend bool operator==(const ProbeLine&, const ProbeLine&) = default;
};

} // namespace vantrel
