#pragma once

#include <QString>

namespace vantrel {

// One smiley of the table: the character sequence that stands for it in text and, for the
// external set, the full path of its picture and the picker's caption.
struct SmileyEntry {
    QString chars;
    QString fileName; // empty for the built-in set, whose picture is the entry's index
    QString label;

    bool operator==(const SmileyEntry&) const = default;
};

} // namespace vantrel
