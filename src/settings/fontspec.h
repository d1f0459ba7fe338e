#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// A font as stored in the settings file: plain data, so the settings library needs no
// QtGui. The widget layer turns it into a QFont.
struct FontSpec {
    // Colour value meaning "the palette's window-text colour" rather than a fixed colour.
    static constexpr quint32 WindowTextColor = 0x80000008u;
    // Character set of Cyrillic text.
    static constexpr int RussianCharSet = 204;
    // Style bits.
    static constexpr int Bold = 0x1;
    static constexpr int Italic = 0x2;
    static constexpr int Underline = 0x4;
    static constexpr int StrikeOut = 0x8;

    QString name;
    // Negative: character height in pixels; positive: cell height in pixels.
    int height = 0;
    // 0x00RRGGBB, or WindowTextColor.
    quint32 color = WindowTextColor;
    int charSet = RussianCharSet;
    // Combination of Bold, Italic, Underline, StrikeOut.
    int style = 0;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

} // namespace vantrel
