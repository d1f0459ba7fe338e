// libFuzzer target for the protocol codec and the incremental request reader.
//
// Input: one control byte, then the bytes a peer sends on one connection.
//   control bits 0-5: the size of the pieces the bytes arrive in (0: all at once);
//   control bit 6:    small limits (64-byte lines, 256-byte bodies) to reach the limit paths.
// Checks: the reader never holds more than its limits allow, its result does not depend on how
// the bytes were split, it agrees with a plain whole-input reading of the framing rules, and a
// request built by the codec reads back as built.

#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace vantrel;
namespace Codec = vantrel::ProtocolCodec;
using State = RequestReader::State;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

struct Outcome {
    State state = State::Header;
    RequestReader::Error error = RequestReader::Error::None;
    Codec::RequestKind kind = Codec::RequestKind::Unknown;
    QByteArray header;
    QByteArray body;
    QByteArray stream;

    bool operator==(const Outcome&) const = default;
};

Outcome readInPieces(QByteArrayView input, qsizetype piece, const RequestReader::Limits& limits)
{
    RequestReader reader(limits);
    Outcome out;
    qsizetype at = 0;
    while (at < input.size() && !reader.isDone()) {
        const qsizetype size = piece > 0 ? std::min(piece, input.size() - at) : input.size() - at;
        const qsizetype used = reader.feed(input.sliced(at, size));
        check(used >= 0 && used <= size, "feed takes at most what it is given");
        check(reader.isDone() || used == size, "an unfinished request takes every byte");
        switch (reader.state()) {
        case State::Header:
        case State::LineBody:
            check(reader.bufferedBytes() <= limits.maxLineBytes + 1,
                  "a pending line stays within the line limit");
            break;
        case State::TrailingBody:
            check(reader.bufferedBytes() <= limits.maxTrailingBodyBytes,
                  "a trailing body stays within its cap");
            break;
        case State::Stream:
        case State::Complete:
        case State::Failed:
            break;
        }
        out.stream.append(reader.takeStreamData());
        at += size;
    }
    reader.finish();
    out.stream.append(reader.takeStreamData());
    check(reader.isDone(), "a closed connection ends the request");
    check((reader.state() == State::Failed) == (reader.error() != RequestReader::Error::None),
          "failure and error agree");
    check(reader.state() == State::Failed || reader.hasHeader(), "a complete request has a header");
    check(out.stream.size() == reader.streamBytes(), "stream bytes are counted");
    out.state = reader.state();
    out.error = reader.error();
    if (out.state == State::Complete) {
        out.kind = reader.kind();
        out.header = reader.headerLine();
        out.body = reader.rawBody();
        (void)reader.body();
    } else {
        out.stream.clear();
    }
    return out;
}

// One line of the whole input from `at`: its text without the CR LF and where the next starts;
// nothing when the input ends before any byte.
std::optional<std::pair<QByteArray, qsizetype>> lineAt(QByteArrayView input, qsizetype at)
{
    if (at >= input.size())
        return std::nullopt;
    const qsizetype lf = input.indexOf('\n', at);
    const qsizetype end = lf < 0 ? input.size() : lf;
    QByteArray line = input.sliced(at, end - at).toByteArray();
    if (line.endsWith('\r'))
        line.chop(1);
    return std::make_pair(line, lf < 0 ? input.size() : lf + 1);
}

// The framing rules applied to the whole input at once.
Outcome readWhole(QByteArrayView input, const RequestReader::Limits& limits)
{
    Outcome out;
    const auto fail = [&](RequestReader::Error error) {
        Outcome failed;
        failed.state = State::Failed;
        failed.error = error;
        return failed;
    };
    const auto header = lineAt(input, 0);
    if (!header)
        return fail(RequestReader::Error::ClosedEarly);
    if (header->first.size() > limits.maxLineBytes)
        return fail(RequestReader::Error::LineTooLong);
    out.header = header->first;
    out.kind = Codec::kindOfHeader(out.header);
    out.state = State::Complete;
    const qsizetype rest = header->second;
    switch (Codec::bodyKindOf(out.kind)) {
    case Codec::BodyKind::None:
        return out;
    case Codec::BodyKind::Trailing:
        if (input.size() - rest > limits.maxTrailingBodyBytes)
            return fail(RequestReader::Error::BodyTooLong);
        out.body = input.sliced(rest).toByteArray();
        return out;
    case Codec::BodyKind::Line:
    case Codec::BodyKind::LineThenStream: {
        const auto line = lineAt(input, rest);
        if (!line)
            return fail(RequestReader::Error::ClosedEarly);
        if (line->first.size() > limits.maxLineBytes)
            return fail(RequestReader::Error::LineTooLong);
        out.body = line->first;
        if (out.kind == Codec::RequestKind::File)
            out.stream = input.sliced(line->second).toByteArray();
        return out;
    }
    }
    return out;
}

void checkRoundTrip(QByteArrayView input)
{
    const QString text = QString::fromUtf8(input);
    // A trailing body comes back whole, with the CR LF of the last write.
    RequestReader message;
    message.feed(Codec::buildRequest(Codec::Header::Message, text));
    message.finish();
    check(message.state() == State::Complete && message.kind() == Codec::RequestKind::Message,
          "a built message reads back");
    check(message.rawBody() == (text.isEmpty() ? QByteArray() : text.toUtf8() + "\r\n"),
          "a built message keeps its body");
    // A line body without line breaks comes back as it was, within the line limit.
    if (!text.contains(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\r')) && !text.isEmpty()) {
        RequestReader status;
        status.feed(Codec::buildRequest(Codec::Header::Status, text));
        const bool fits = text.toUtf8().size() <= Codec::MaxLineBytes;
        check(status.state() == (fits ? State::Complete : State::Failed), "a built line obeys the limit");
        if (fits)
            check(status.rawBody() == text.toUtf8(), "a built line keeps its text");
    }
    check(Codec::withCrLf(Codec::withCrLf(text)) == Codec::withCrLf(text), "line breaks normalise once");
    const QString name = Codec::fileNamePart(text);
    check(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')),
          "a file name has no separators");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const QByteArrayView input(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    RequestReader::Limits limits;
    if (control & 0x40) {
        limits.maxLineBytes = 64;
        limits.maxTrailingBodyBytes = 256;
    }
    const qsizetype piece = control & 0x3F;

    const Outcome whole = readWhole(input, limits);
    const Outcome atOnce = readInPieces(input, 0, limits);
    const Outcome pieces = readInPieces(input, piece, limits);
    const Outcome bytes = readInPieces(input, 1, limits);
    check(atOnce == whole, "the reader agrees with the framing rules");
    check(pieces == atOnce, "splitting does not change the request");
    check(bytes == atOnce, "byte-by-byte reading does not change the request");

    checkRoundTrip(input);
    return 0;
}
