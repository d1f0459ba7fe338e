#pragma once

#include "messaging/protocolcodec.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vantrel {

// Reads one request from the bytes of one connection, as they arrive: the header line, then
// a line body, a trailing body (up to the close) or a line followed by a raw stream, as the
// header's kind says. Limits are checked before anything more is buffered, so a peer that
// never ends a line costs at most one line of memory.
class RequestReader final {
public:
    enum class State {
        Header,       // waiting for the header line
        LineBody,     // waiting for the body line
        TrailingBody, // collecting the body up to the close
        Stream,       // passing raw bytes on (after the line of a file request)
        Complete,     // the request is whole; later bytes are not part of it
        Failed
    };
    enum class Error { None, LineTooLong, BodyTooLong, ClosedEarly };

    struct Limits {
        qsizetype maxLineBytes = ProtocolCodec::MaxLineBytes;
        // Large enough for a message of 65535 characters (4 bytes each in UTF-8 at worst) and
        // for offers listing thousands of files.
        qsizetype maxTrailingBodyBytes = 8 * 1024 * 1024;
    };

    RequestReader();
    explicit RequestReader(Limits limits);

    // Takes the next bytes of the connection. Returns how many belong to the request; once it
    // is complete or has failed, the rest is not looked at.
    qsizetype feed(QByteArrayView bytes);
    // The peer closed its side: completes a trailing body or a stream; a line that ended
    // without CR LF counts as a line; a missing line fails the request.
    void finish();

    State state() const { return m_state; }
    bool isDone() const { return m_state == State::Complete || m_state == State::Failed; }
    Error error() const { return m_error; }
    QString errorString() const;

    // Known once the header line has been read.
    bool hasHeader() const { return m_hasHeader; }
    ProtocolCodec::RequestKind kind() const { return m_kind; }
    const QByteArray& headerLine() const { return m_header; }
    // The line or trailing body, decoded from UTF-8.
    QString body() const;
    const QByteArray& rawBody() const { return m_body; }

    // Raw bytes of the stream received since the last call.
    QByteArray takeStreamData();
    qint64 streamBytes() const { return m_streamBytes; }

    // Every byte of the connection taken so far, the stream included.
    qint64 bytesReceived() const { return m_received; }
    // Bytes currently held by the reader (the pending line, the body, untaken stream data).
    qsizetype bufferedBytes() const { return m_pending.size() + m_body.size() + m_stream.size(); }
    // The memory those take, with the room their buffers keep for growth.
    qsizetype heldBytes() const { return m_pending.capacity() + m_body.capacity() + m_stream.capacity(); }
    const Limits& limits() const { return m_limits; }

private:
    qsizetype feedLine(QByteArrayView bytes);
    void lineComplete(QByteArray line);
    void finishLine();
    void fail(Error error);

    Limits m_limits;
    State m_state = State::Header;
    Error m_error = Error::None;
    ProtocolCodec::RequestKind m_kind = ProtocolCodec::RequestKind::Unknown;
    bool m_hasHeader = false;
    QByteArray m_pending; // the unfinished line
    QByteArray m_header;
    QByteArray m_body;
    QByteArray m_stream;
    qint64 m_streamBytes = 0;
    qint64 m_received = 0;
};

} // namespace vantrel
