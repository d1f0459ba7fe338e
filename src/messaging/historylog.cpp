#include "messaging/historylog.h"

#include "core/datetimetext.h"
#include "core/logwriter.h"
#include "settings/safefilename.h"

using namespace Qt::StringLiterals;

namespace vantrel {

HistoryLog::HistoryLog(LogWriter& writer, QString logsDir)
    : m_writer(writer)
    , m_logsDir(std::move(logsDir))
{}

QString HistoryLog::pathFor(const QString& contact) const
{
    return PathIgnoringCase(m_logsDir, SafeFileName(contact) + u".log"_s);
}

QString HistoryLog::nowText() const
{
    return DateTimeText(m_writer.now());
}

QString HistoryLog::entry(const QString& name, const QString& dateTime, const QString& text)
{
    return name + u" ["_s + dateTime + u"]: "_s + text;
}

void HistoryLog::addReceived(const QString& contact, const QString& dateTime, const QString& text)
{
    m_writer.append(entry(contact, dateTime, text), pathFor(contact));
}

void HistoryLog::addSent(const QString& contact, const QString& userName, const QString& dateTime,
                         const QString& text)
{
    m_writer.append(entry(userName, dateTime, text), pathFor(contact));
}

void HistoryLog::addEntry(const QString& contact, const QString& entry)
{
    m_writer.append(entry, pathFor(contact));
}

} // namespace vantrel
