#include "messaging/historylog.h"

#include "core/datetimetext.h"
#include "core/logwriter.h"
#include "core/textlines.h"
#include "settings/safefilename.h"

using namespace Qt::StringLiterals;

namespace vantrel {

HistoryLog::HistoryLog(LogWriter& writer, QString logsDir, FailureHandler failed)
    : m_writer(writer)
    , m_logsDir(std::move(logsDir))
    , m_failed(std::move(failed))
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
    return EscapeControls(name) + u" ["_s + EscapeControls(dateTime) + u"]: "_s + text;
}

void HistoryLog::append(const QString& line, const QString& contact)
{
    const QString path = pathFor(contact);
    QString error;
    if (m_writer.append(line, path, &error) != LogWriter::Result::Appended && m_failed)
        m_failed(path, error);
}

void HistoryLog::addReceived(const QString& contact, const QString& dateTime, const QString& text)
{
    append(entry(contact, dateTime, text), contact);
}

void HistoryLog::addSent(const QString& contact, const QString& userName, const QString& dateTime,
                         const QString& text)
{
    append(entry(userName, dateTime, text), contact);
}

void HistoryLog::addEntry(const QString& contact, const QString& entry)
{
    m_writer.append(entry, pathFor(contact));
}

} // namespace vantrel
