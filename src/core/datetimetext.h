#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace vantrel {

// The date-time text used in logs, queued messages and popups: the locale's short date
// (without blanks, so that "the part after the first blank" is always the time), a blank
// and the locale's long time without a time-zone name. At exactly midnight the time part
// is left out.
QString DateTimeText(const QDateTime& dateTime, const QLocale& locale = QLocale::system());

// The locale's long time without a time-zone name ("19:30:13", "7:30:13 PM"), midnight
// included: the time of the headers in conversation windows.
QString TimeText(const QTime& time, const QLocale& locale = QLocale::system());

} // namespace vantrel
