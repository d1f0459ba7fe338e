#pragma once

class QMenu;

namespace vantrel {

// Shows a menu's separators only between two groups of visible items: none at the top or
// bottom, none next to another, whatever items the menu has hidden.
void HideStraySeparators(QMenu& menu);

} // namespace vantrel
