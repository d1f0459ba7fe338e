#include "core/eventlog.h"

#include "core/datetimetext.h"

using namespace Qt::StringLiterals;

namespace vantrel {

EventLog::EventLog(LogWriter& writer, QString path)
    : m_writer(writer)
    , m_path(std::move(path))
{}

QString EventLog::levelName(Level level)
{
    switch (level) {
    case Level::Information:
        return u"Information"_s;
    case Level::Warning:
        return u"Warning"_s;
    case Level::Error:
        return u"Error"_s;
    case Level::ListenError:
        return u"Listen Error"_s;
    case Level::ThreadError:
        return u"Thread Error"_s;
    }
    return {};
}

void EventLog::write(Level level, const QString& text)
{
    m_writer.append(DateTimeText(m_writer.now()) + u" | "_s + levelName(level) + u" | "_s + text, m_path);
}

void EventLog::threadError(const QString& worker, const QString& message)
{
    write(Level::ThreadError, worker + u": "_s + message);
}

} // namespace vantrel
