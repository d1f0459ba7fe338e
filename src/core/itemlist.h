#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrel {

// The list operations shared by the away texts, the quick messages and the recent sent
// messages. Entries are compared after upper-casing both sides with the locale's rules.

// R_AddItemInList: appends `text` (untrimmed) to `list` unless it is blank or an entry
// equals it without regard to case. True when the list changed.
bool addItemInList(const QString& text, QStringList& list, const QLocale& locale = QLocale::system());

// R_DeleteItemFromList: deletes the last entry that equals `text` without regard to case.
// A blank text deletes nothing. True when the list changed.
bool deleteItemFromList(const QString& text, QStringList& list, const QLocale& locale = QLocale::system());

} // namespace vantrel
