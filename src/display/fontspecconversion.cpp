#include "display/fontspecconversion.h"

#include <QFontInfo>

namespace vantrel {

QFont fontFromSpec(const FontSpec& spec)
{
    QFont font;
    if (!spec.name.isEmpty())
        font.setFamily(spec.name);
    if (spec.height < 0)
        font.setPixelSize(-spec.height);
    else if (spec.height > 0)
        font.setPixelSize(qMax(1, spec.height * 5 / 6));
    font.setBold(spec.style & FontSpec::Bold);
    font.setItalic(spec.style & FontSpec::Italic);
    font.setUnderline(spec.style & FontSpec::Underline);
    font.setStrikeOut(spec.style & FontSpec::StrikeOut);
    return font;
}

FontSpec specFromFont(const QFont& font, const FontSpec& previous)
{
    FontSpec spec = previous;
    spec.name = font.family();
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    spec.height = -qMax(1, pixels);
    spec.style = (font.bold() ? FontSpec::Bold : 0) | (font.italic() ? FontSpec::Italic : 0) |
                 (font.underline() ? FontSpec::Underline : 0) | (font.strikeOut() ? FontSpec::StrikeOut : 0);
    return spec;
}

} // namespace vantrel
