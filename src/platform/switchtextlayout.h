#pragma once

#include <QString>

namespace vantrel {

class KeyboardLayout;

// Retypes text that was typed on the wrong layout and activates the layout it should have been
// typed on: with a non-US layout active, Russian to US and the US layout is activated; otherwise
// US to Russian and the Russian layout is activated. Returns the retyped text even when the
// layout cannot be switched.
QString SwitchTextLayout(const QString& text, KeyboardLayout& layout);

} // namespace vantrel
