#pragma once

namespace vantrel {

// Position and size of a window as stored beside its values (keys Flags, PixelsPerInch,
// MinMaxPos, NormPos). The normal-position rectangle uses exclusive right and bottom
// edges: width = right - left, height = bottom - top.
struct WindowPlacement {
    int flags = 0;
    // Screen resolution at save time.
    int pixelsPerInch = 96;
    // Minimised and maximised positions; -1 when unknown.
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    // Normal-position rectangle.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    // False for a placement that was never stored.
    bool isValid() const { return right > left && bottom > top; }

    friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

} // namespace vantrel
