#pragma once

#include "display/smileyentry.h"

#include <QList>
#include <QStringView>

#include <functional>

namespace vantrel {

// One sequence of a line to be drawn as a picture: `length` characters at `position` are
// replaced by the picture of table entry `entry`.
struct SmileyReplacement {
    qsizetype position = 0;
    qsizetype length = 0;
    int entry = 0;

    bool operator==(const SmileyReplacement&) const = default;
};

// Whether the picture of an entry can be put into the text now; asked once per occurrence,
// in search order.
using SmileyInsertCheck = std::function<bool(int entry)>;

// Finds the smileys of one newly written line, as the line writer replaces them:
// for each entry in table order (entries with an empty sequence are skipped), every
// occurrence of its sequence in the line, searched without regard to letter case and not as
// whole words, is replaced by the entry's picture, and the search starts again. A replaced
// occurrence becomes a single picture, so no later match can overlap it; an occurrence whose
// picture cannot be inserted (canInsert false) stays text, and the search for that entry goes
// on behind it. Later entries still see the text of such an occurrence.
//
// So the first entry wins where sequences overlap: with the built-in set " :D" comes before
// " :devil", which is drawn as the picture of " :D" followed by "evil".
//
// Returns the replacements in position order, positions counted in `line`. A missing
// canInsert means every picture can be inserted.
QList<SmileyReplacement> findSmileys(QStringView line, const QList<SmileyEntry>& entries,
                                     const SmileyInsertCheck& canInsert = {});

} // namespace vantrel
