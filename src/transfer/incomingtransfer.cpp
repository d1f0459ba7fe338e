#include "transfer/incomingtransfer.h"

#include "platform/descriptors.h"
#include "platform/filereceiver.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vantrel {

// Hands the listener's calls to the transfer. Dropped without a close of the stream (the
// listener gave up on the connection), it ends the fed stream as broken.
class IncomingTransfer::Sink final : public StreamSink {
public:
    explicit Sink(std::shared_ptr<IncomingTransfer> transfer)
        : m_transfer(std::move(transfer))
    {}
    ~Sink() override
    {
        if (!m_done)
            m_transfer->endFeed(false, u"Соединение прервано"_s);
    }
    Q_DISABLE_COPY_MOVE(Sink)

    bool adoptConnection(qintptr descriptor, const QByteArray& alreadyRead) override
    {
        m_done = true;
        m_transfer->takeConnection(descriptor, alreadyRead);
        return true;
    }
    void write(QByteArrayView bytes) override { m_transfer->feed(bytes.toByteArray()); }
    void finish(bool complete, const QString& error) override
    {
        m_done = true;
        m_transfer->endFeed(complete, error);
    }

private:
    std::shared_ptr<IncomingTransfer> m_transfer;
    bool m_done = false;
};

IncomingTransfer::IncomingTransfer(QString contact, QString destination, qint64 size, bool isImage,
                                   int idleTimeoutMs, QObject* parent)
    : Transfer(Direction::Writing, std::move(contact), isImage, 1, idleTimeoutMs, parent)
    , m_destination(std::move(destination))
    , m_size(size)
{
    setCurrentFile(m_destination);
}

IncomingTransfer::~IncomingTransfer()
{
    {
        const std::lock_guard lock(m_feed.mutex);
        m_feed.ended = true;
    }
    m_feed.ready.notify_all();
    join();
    if (!hasStarted())
        CloseDescriptor(m_descriptor);
}

std::unique_ptr<StreamSink> IncomingTransfer::sinkFor(const std::shared_ptr<IncomingTransfer>& transfer)
{
    return std::make_unique<Sink>(transfer);
}

void IncomingTransfer::takeConnection(qintptr descriptor, const QByteArray& alreadyRead)
{
    if (m_ready) {
        CloseDescriptor(descriptor);
        return;
    }
    m_descriptor = descriptor;
    m_alreadyRead = alreadyRead;
    m_ready = true;
    Q_EMIT ready();
}

void IncomingTransfer::becomeFed()
{
    if (m_ready)
        return;
    m_fed = true;
    m_ready = true;
    Q_EMIT ready();
}

void IncomingTransfer::feed(const QByteArray& bytes)
{
    becomeFed();
    {
        const std::lock_guard lock(m_feed.mutex);
        if (m_feed.ended)
            return;
        m_feed.queuedBytes += bytes.size();
        if (m_feed.queuedBytes > kMaxQueuedBytes) {
            m_feed.ended = true;
            m_feed.error = u"Данные поступают быстрее, чем записываются"_s;
        } else {
            m_feed.chunks.append(bytes);
        }
    }
    m_feed.ready.notify_all();
}

void IncomingTransfer::endFeed(bool complete, const QString& error)
{
    becomeFed();
    {
        const std::lock_guard lock(m_feed.mutex);
        if (m_feed.ended)
            return;
        m_feed.ended = true;
        m_feed.complete = complete;
        m_feed.error = error;
    }
    m_feed.ready.notify_all();
}

bool IncomingTransfer::receiveFed(FileReceiver& receiver, QString* error)
{
    qint64 received = 0;
    for (;;) {
        QList<QByteArray> chunks;
        bool ended = false;
        bool complete = false;
        {
            std::unique_lock lock(m_feed.mutex);
            m_feed.ready.wait(lock, [this] { return !m_feed.chunks.isEmpty() || m_feed.ended; });
            chunks.swap(m_feed.chunks);
            m_feed.queuedBytes = 0;
            ended = m_feed.ended;
            complete = m_feed.complete;
            if (ended && !complete)
                *error = m_feed.error.isEmpty() ? u"Соединение прервано"_s : m_feed.error;
        }
        if (m_control.cancel.load() && !ended) {
            *error = u"Приём прерван"_s;
            return false;
        }
        for (const QByteArray& chunk : std::as_const(chunks)) {
            if (received + chunk.size() > m_size) {
                *error = u"Получено больше данных, чем объявлено (%1 байт)"_s.arg(m_size);
                return false;
            }
            if (!receiver.write(chunk.constData(), chunk.size(), error))
                return false;
            received += chunk.size();
            m_control.bytes.store(received);
        }
        if (!ended)
            continue;
        if (!complete)
            return false;
        if (received < m_size) {
            *error = u"Соединение закрыто до конца файла: получено %1 из %2 байт"_s.arg(received).arg(m_size);
            return false;
        }
        return true;
    }
}

void IncomingTransfer::run()
{
    reportStarted(0, m_destination);
    reportMoving(0, m_size);
    const QFileInfo target(m_destination);
    FileReceiver receiver(target.path(), target.fileName());
    QString error;
    bool ok = receiver.create(&error);
    if (ok && m_fed) {
        ok = receiveFed(receiver, &error);
    } else if (ok) {
        const qintptr descriptor = m_descriptor;
        m_descriptor = -1;
        const FileReceiver::Result result = receiver.receive(descriptor, m_alreadyRead, m_size, m_control);
        m_alreadyRead.clear();
        ok = result.outcome == FileReceiver::Outcome::Complete;
        error = result.error;
    } else if (!m_fed) {
        CloseDescriptor(m_descriptor);
        m_descriptor = -1;
    }
    if (ok)
        ok = receiver.commit(&error);
    reportEnded(0, m_destination, ok, error);
}

} // namespace vantrel
