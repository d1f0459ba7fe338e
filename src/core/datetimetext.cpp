#include "core/datetimetext.h"

namespace vantrel {
namespace {

// Removes time-zone tokens ('t' runs outside quoted text) from a time format and the
// blanks they leave behind.
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out.append(c);
    }
    return out.simplified();
}

} // namespace

QString DateTimeText(const QDateTime& dateTime, const QLocale& locale)
{
    // The C locale's short date ("8 Dec 2026") has no separators once its blanks are gone:
    // use the numeric form there.
    QString date = locale.language() == QLocale::C ? dateTime.date().toString(u"dd.MM.yyyy")
                                                   : locale.toString(dateTime.date(), QLocale::ShortFormat);
    date.remove(QLatin1Char(' '));
    date.remove(QChar(0x00A0));
    date.remove(QChar(0x202F));
    const QTime time = dateTime.time();
    if (time == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + TimeText(time, locale);
}

QString TimeText(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

} // namespace vantrel
