#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

namespace vantrel {

// True when `name` equals an entry of the black list once both are upper-cased by the
// locale's rules. An empty list holds nobody; an empty name matches only an empty entry.
bool IsInBlackList(const QStringList& blackList, const QString& name,
                   const QLocale& locale = QLocale::system());

} // namespace vantrel
