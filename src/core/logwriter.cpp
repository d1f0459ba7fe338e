#include "core/logwriter.h"

#include "core/datetimetext.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

bool writeAll(QFile& file, const QByteArray& bytes)
{
    return file.write(bytes) == bytes.size();
}

} // namespace

LogWriter::LogWriter(Clock clock)
    : m_clock(std::move(clock))
{}

void LogWriter::setOpenFailedHandler(OpenFailedHandler handler)
{
    QMutexLocker lock(&m_mutex);
    m_openFailed = std::move(handler);
}

QDateTime LogWriter::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QString LogWriter::openFailedText(const QString& path)
{
    return u"Файл \""_s + path + u"\" не найден!"_s;
}

LogWriter::Result LogWriter::append(const QString& text, const QString& filePath, QString* error)
{
    const auto failed = [error](const QFile& file) {
        if (error)
            *error = file.errorString();
    };
    OpenFailedHandler notify;
    {
        QMutexLocker lock(&m_mutex);
        QFile file(filePath);
        if (!QFileInfo::exists(filePath)) {
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
                failed(file);
                return Result::Skipped;
            }
            const QByteArray header =
                "\xEF\xBB\xBF" + (u"Лог начат: "_s + DateTimeText(now())).toUtf8() + "\r\n\r\n";
            const bool ok = writeAll(file, header);
            if (!ok) {
                // A header cut short by a full disk would stay without its line end forever.
                failed(file);
                file.remove();
                return Result::Skipped;
            }
            file.close();
        }
        // Unbuffered append: the whole line goes out in one write, so lines of concurrent
        // writers never interleave.
        if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
            const qint64 before = file.size();
            const bool ok = writeAll(file, text.toUtf8() + "\r\n");
            if (!ok) {
                // A full disk may take part of the line: cut it off again, so the next line
                // does not run on from a torn one.
                failed(file);
                file.resize(before);
            }
            return ok ? Result::Appended : Result::Skipped;
        }
        failed(file);
        notify = m_openFailed;
    }
    if (notify)
        notify(filePath);
    return Result::OpenFailed;
}

} // namespace vantrel
