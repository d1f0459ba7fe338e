#include "display/smileymatcher.h"

#include <QString>

#include <algorithm>

namespace vantrel {

QList<SmileyReplacement> findSmileys(QStringView line, const QList<SmileyEntry>& entries,
                                     const SmileyInsertCheck& canInsert)
{
    // Replaced occurrences are masked with object-replacement characters, the character a
    // picture occupies in a text document; no sequence may contain one, so no later match
    // can reach into a picture, and positions stay those of the original line.
    constexpr QChar Picture = QChar::ObjectReplacementCharacter;
    QString text = line.toString();
    QList<SmileyReplacement> found;
    for (int i = 0; i < entries.size(); ++i) {
        const QString& chars = entries[i].chars;
        if (chars.isEmpty() || chars.contains(Picture))
            continue;
        qsizetype from = 0;
        while (from <= text.size() - chars.size()) {
            const qsizetype hit = text.indexOf(chars, from, Qt::CaseInsensitive);
            if (hit < 0)
                break;
            if (canInsert && !canInsert(i)) {
                from = hit + chars.size();
                continue;
            }
            found.append({hit, chars.size(), i});
            std::fill(text.begin() + hit, text.begin() + hit + chars.size(), Picture);
            from = hit + chars.size();
        }
    }
    std::sort(found.begin(), found.end(),
              [](const SmileyReplacement& a, const SmileyReplacement& b) { return a.position < b.position; });
    return found;
}

} // namespace vantrel
