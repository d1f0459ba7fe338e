#include "messaging/requestreader.h"

using namespace Qt::StringLiterals;

namespace vantrel {

using ProtocolCodec::BodyKind;
using ProtocolCodec::RequestKind;

RequestReader::RequestReader()
    : RequestReader(Limits{})
{}

RequestReader::RequestReader(Limits limits)
    : m_limits(limits)
{}

QString RequestReader::errorString() const
{
    switch (m_error) {
    case Error::None:
        return {};
    case Error::LineTooLong:
        return u"Строка запроса длиннее %1 байт"_s.arg(m_limits.maxLineBytes);
    case Error::BodyTooLong:
        return u"Тело запроса длиннее %1 байт"_s.arg(m_limits.maxTrailingBodyBytes);
    case Error::ClosedEarly:
        return u"Соединение закрыто до конца запроса"_s;
    }
    return {};
}

QString RequestReader::body() const
{
    return QString::fromUtf8(m_body);
}

QByteArray RequestReader::takeStreamData()
{
    return std::exchange(m_stream, QByteArray());
}

void RequestReader::fail(Error error)
{
    m_error = error;
    m_state = State::Failed;
    m_pending.clear();
    m_body.clear();
    m_stream.clear();
}

qsizetype RequestReader::feed(QByteArrayView bytes)
{
    qsizetype used = 0;
    while (used < bytes.size() && !isDone()) {
        const QByteArrayView rest = bytes.sliced(used);
        qsizetype taken = 0;
        switch (m_state) {
        case State::Header:
        case State::LineBody:
            taken = feedLine(rest);
            break;
        case State::TrailingBody:
            if (m_body.size() + rest.size() > m_limits.maxTrailingBodyBytes) {
                fail(Error::BodyTooLong);
                return used;
            }
            m_body.append(rest);
            taken = rest.size();
            break;
        case State::Stream:
            m_stream.append(rest);
            m_streamBytes += rest.size();
            taken = rest.size();
            break;
        case State::Complete:
        case State::Failed:
            break;
        }
        used += taken;
        m_received += taken;
    }
    return used;
}

// Takes bytes of the current line up to and including its LF. The length is checked before
// the bytes are buffered: a line may have maxLineBytes of content plus the CR of its CR LF.
qsizetype RequestReader::feedLine(QByteArrayView bytes)
{
    const qsizetype lf = bytes.indexOf('\n');
    const qsizetype before = lf < 0 ? bytes.size() : lf;
    const qsizetype pendingSize = m_pending.size() + before;
    if (lf < 0) {
        const bool endsInCr = before > 0 ? bytes.at(before - 1) == '\r' : m_pending.endsWith('\r');
        if (pendingSize > m_limits.maxLineBytes + 1 || (pendingSize > m_limits.maxLineBytes && !endsInCr)) {
            fail(Error::LineTooLong);
            return 0;
        }
        m_pending.append(bytes);
        return bytes.size();
    }
    QByteArray line = std::exchange(m_pending, QByteArray());
    line.append(bytes.first(before));
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > m_limits.maxLineBytes) {
        fail(Error::LineTooLong);
        return 0;
    }
    lineComplete(std::move(line));
    return lf + 1;
}

void RequestReader::lineComplete(QByteArray line)
{
    if (m_state == State::LineBody) {
        m_body = std::move(line);
        m_state = m_kind == RequestKind::File ? State::Stream : State::Complete;
        return;
    }
    m_header = std::move(line);
    m_hasHeader = true;
    m_kind = ProtocolCodec::kindOfHeader(m_header);
    switch (ProtocolCodec::bodyKindOf(m_kind)) {
    case BodyKind::None:
        m_state = State::Complete;
        break;
    case BodyKind::Line:
    case BodyKind::LineThenStream:
        m_state = State::LineBody;
        break;
    case BodyKind::Trailing:
        m_state = State::TrailingBody;
        break;
    }
}

void RequestReader::finish()
{
    switch (m_state) {
    case State::Header:
    case State::LineBody:
        finishLine();
        return;
    case State::TrailingBody:
    case State::Stream:
        m_state = State::Complete;
        return;
    case State::Complete:
    case State::Failed:
        return;
    }
}

// The close came while a line was being read: a line without its CR LF still counts.
void RequestReader::finishLine()
{
    if (m_pending.isEmpty()) {
        fail(Error::ClosedEarly);
        return;
    }
    QByteArray line = std::exchange(m_pending, QByteArray());
    if (line.endsWith('\r'))
        line.chop(1);
    lineComplete(std::move(line));
    if (m_state == State::LineBody) {
        // The header arrived without CR LF and its body line is missing.
        fail(Error::ClosedEarly);
        return;
    }
    if (!isDone())
        finish();
}

} // namespace vantrel
