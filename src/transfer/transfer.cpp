#include "transfer/transfer.h"

#include "platform/threadpriority.h"

#include <QMetaObject>

namespace vantrel {

Transfer::Transfer(Direction direction, QString contact, bool isImage, int fileCount, int idleTimeoutMs,
                   QObject* parent)
    : QObject(parent)
    , m_direction(direction)
    , m_contact(std::move(contact))
    , m_isImage(isImage)
    , m_fileCount(fileCount)
{
    m_control.idleTimeoutMs = idleTimeoutMs;
}

Transfer::~Transfer()
{
    join();
}

void Transfer::start()
{
    if (m_started)
        return;
    m_started = true;
    m_worker = std::thread([this] {
        LowerCurrentThreadPriority();
        run();
        post([this] {
            m_moving = false;
            m_finished = true;
            Q_EMIT finished();
        });
    });
}

void Transfer::join()
{
    if (!m_worker.joinable())
        return;
    m_control.cancel.store(true);
    m_worker.join();
}

void Transfer::post(std::function<void()> work)
{
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void Transfer::reportStarted(int index, const QString& path)
{
    m_fileSize.store(0);
    m_control.bytes.store(0);
    post([this, index, path] {
        m_currentFile = path;
        m_moving = false;
        Q_EMIT fileStarted(index, path);
    });
}

void Transfer::reportMoving(int index, qint64 size)
{
    m_fileSize.store(size);
    post([this, index, size] {
        m_moving = true;
        Q_EMIT fileMoving(index, size);
    });
}

void Transfer::reportEnded(int index, const QString& path, bool ok, const QString& error)
{
    if (ok)
        ++m_filesDone;
    post([this, index, path, ok, error] {
        m_moving = false;
        Q_EMIT fileEnded(index, path, ok, error);
    });
}

} // namespace vantrel
