#pragma once

#include "settings/fontspec.h"

#include <QFont>

namespace vantrel {

// The stored font as a QFont: a negative height is the character height in pixels, a
// positive one the cell height (about a fifth more than the character height).
QFont fontFromSpec(const FontSpec& spec);
// A QFont to store, keeping the colour and character set of `previous`.
FontSpec specFromFont(const QFont& font, const FontSpec& previous);

} // namespace vantrel
