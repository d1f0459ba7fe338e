#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

namespace vantrel {

// Takes the raw bytes that follow the line of a file request, as they arrive.
class StreamSink {
public:
    StreamSink() = default;
    virtual ~StreamSink() = default;
    Q_DISABLE_COPY_MOVE(StreamSink)

    // Called once, right after the sink was made, while the connection is still open: a sink
    // that returns true takes the connection over. It then owns `descriptor` (a duplicate of
    // the connection's socket; the listener closes its own and forgets the connection) and
    // `alreadyRead`, the stream bytes read so far, and gets no further call. With false the
    // descriptor is closed again and every byte, `alreadyRead` first, comes through write().
    virtual bool adoptConnection(qintptr descriptor, const QByteArray& alreadyRead)
    {
        Q_UNUSED(descriptor)
        Q_UNUSED(alreadyRead)
        return false;
    }

    virtual void write(QByteArrayView bytes) = 0;
    // The stream has ended: `complete` when the peer closed it, otherwise `error` says why
    // the connection was dropped (idle time-out, socket error).
    virtual void finish(bool complete, const QString& error) = 0;
};

} // namespace vantrel
