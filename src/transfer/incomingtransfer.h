#pragma once

#include "messaging/streamsink.h"
#include "transfer/transfer.h"

#include <QByteArray>
#include <QList>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace vantrel {

// The receiving side of one `<VTL_FILE>`: the bytes go into a new file beneath the destination
// folder on the transfer's worker thread, and the file appears under its final name only when
// exactly the announced size arrived. Normally the worker owns the connection itself; when the
// listener could not hand it over, the bytes come in memory through the sink.
class IncomingTransfer final : public Transfer {
    Q_OBJECT
public:
    // Bytes handed over in memory that may wait for the worker before the transfer fails.
    static constexpr qint64 kMaxQueuedBytes = 16 * 1024 * 1024;

    IncomingTransfer(QString contact, QString destination, qint64 size, bool isImage, int idleTimeoutMs,
                     QObject* parent = nullptr);
    ~IncomingTransfer() override;
    Q_DISABLE_COPY_MOVE(IncomingTransfer)

    const QString& destination() const { return m_destination; }
    qint64 size() const { return m_size; }

    // The sink the listener hands the stream to. It must not outlive the transfer's owner's
    // interest: it holds the transfer alive.
    static std::unique_ptr<StreamSink> sinkFor(const std::shared_ptr<IncomingTransfer>& transfer);

    // Takes the connection over; the worker reads it once started.
    void takeConnection(qintptr descriptor, const QByteArray& alreadyRead);
    // The bytes come through the listener instead: queued for the worker.
    void feed(const QByteArray& bytes);
    void endFeed(bool complete, const QString& error);
    // Whether the bytes' source is known (the connection, or the listener's feed).
    bool isReady() const { return m_ready; }

Q_SIGNALS:
    // The source of the bytes is known: the owner may start the worker now or later.
    void ready();

protected:
    void run() override;

private:
    struct Feed {
        std::mutex mutex;
        std::condition_variable ready;
        QList<QByteArray> chunks;
        qint64 queuedBytes = 0;
        bool ended = false;
        bool complete = false;
        QString error;
    };
    class Sink;

    void becomeFed();
    // The worker's copy of the fed bytes; false with the reason when it failed.
    bool receiveFed(class FileReceiver& receiver, QString* error);

    QString m_destination;
    qint64 m_size;
    qintptr m_descriptor = -1;
    QByteArray m_alreadyRead;
    bool m_fed = false;
    bool m_ready = false;
    Feed m_feed;
};

} // namespace vantrel
