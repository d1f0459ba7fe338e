#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrel {

// The texts sent last (LB_HisMsg), for recalling them in the reply box: at most ten, oldest
// first, no two equal without regard to case.
class RecentMessages final {
public:
    static constexpr qsizetype MaxEntries = 10;

    explicit RecentMessages(QLocale locale = QLocale::system());

    // Adds a text unless it is blank or the list holds it already (R_AddItemInList); drops
    // the oldest entry beyond MaxEntries. True when the list changed.
    bool add(const QString& text);
    const QStringList& entries() const { return m_entries; }
    // The selected entry: the last one, or -1 when empty.
    int selectedIndex() const { return static_cast<int>(m_entries.size()) - 1; }

    // R_AddItemInList: appends `text` (untrimmed) to `list` unless it is blank or an entry
    // equals it once both are upper-cased by the locale's rules.
    static bool addItemInList(const QString& text, QStringList& list, const QLocale& locale);

private:
    QLocale m_locale;
    QStringList m_entries;
};

} // namespace vantrel
