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

    virtual void write(QByteArrayView bytes) = 0;
    // The stream has ended: `complete` when the peer closed it, otherwise `error` says why
    // the connection was dropped (idle time-out, socket error).
    virtual void finish(bool complete, const QString& error) = 0;
};

} // namespace vantrel
