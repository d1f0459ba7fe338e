// libFuzzer target for the transfer requests as a peer sends them: the request reader, the
// `<VTL_FILE>` line with the stream behind it, and the offers and acceptances.
//
// Input: one control byte, then the bytes of one connection.
//   control bits 0-5: the size of the pieces the bytes arrive in (0: all at once).
// Checks: the stream holds exactly the bytes after the line, whatever the pieces; a stream is
// taken only for a destination named to the same peer, and only once; every path a peer names
// becomes a file name that stays in its folder; sizes are never negative.

#include "fuzzcheck.h"
#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"
#include "transfer/expectedstreams.h"
#include "transfer/transferprotocol.h"

#include <QStringList>

using namespace vantrel;
using vantrel::fuzz::check;
namespace Codec = vantrel::ProtocolCodec;
namespace Protocol = vantrel::TransferProtocol;

namespace {

void checkFileName(const QString& peerPath)
{
    const QString name = Protocol::receivedFileName(peerPath);
    check(!name.isEmpty(), "a received file has a name");
    check(name != QStringLiteral(".") && name != QStringLiteral(".."), "a received file is no folder link");
    check(!name.contains(u'/') && !name.contains(u'\\') && !name.contains(QChar(0)),
          "a received file stays in its folder");
    check(name.toUtf8().size() <= 255, "a received name fits a file system");
    check(!fuzz::hasLoneSurrogate(name), "a received name is valid text");
}

void checkSize(const QString& text)
{
    if (const std::optional<qint64> size = Protocol::parseSize(text))
        check(*size >= 0, "sizes are not negative");
    (void)Protocol::sizeText(text);
}

void checkPaths(const QStringList& paths, const QStringList& sizes)
{
    for (const QString& path : paths)
        checkFileName(path);
    for (const QString& size : sizes)
        checkSize(size);
}

void checkStream(const QString& line)
{
    const Protocol::StreamHeader header = Protocol::parseStreamHeader(line);
    checkFileName(header.destination);
    checkSize(header.size);
    (void)Protocol::parseBool(header.isImage);

    ExpectedStreams expected(60'000, 4);
    const QString peer = QStringLiteral("192.0.2.1");
    expected.add(peer, {{header.destination, header.size}}, false, QStringLiteral("contact"));
    check(!expected.take(QStringLiteral("192.0.2.2"), header.destination), "another peer gets nothing");
    const std::optional<ExpectedStreams::Expected> taken = expected.take(peer, header.destination);
    check(taken && taken->path == header.destination, "the named destination is taken");
    check(!expected.take(peer, header.destination), "a destination is used once");
}

QByteArray readStream(QByteArrayView input, qsizetype piece, RequestReader& reader)
{
    QByteArray stream;
    qsizetype at = 0;
    while (at < input.size() && !reader.isDone()) {
        const qsizetype size = piece > 0 ? std::min(piece, input.size() - at) : input.size() - at;
        reader.feed(input.sliced(at, size));
        stream.append(reader.takeStreamData());
        at += size;
    }
    reader.finish();
    stream.append(reader.takeStreamData());
    return stream;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArrayView input = fuzz::bytesOf(data + 1, size - 1);
    RequestReader reader{RequestReader::Limits()};
    const QByteArray stream = readStream(input, data[0] & 0x3F, reader);
    if (reader.state() != RequestReader::State::Complete)
        return 0;
    const QString body = reader.body();
    switch (reader.kind()) {
    case Codec::RequestKind::File: {
        RequestReader whole{RequestReader::Limits()};
        check(readStream(input, 0, whole) == stream, "the pieces do not change the stream");
        const qsizetype lineEnd = input.indexOf('\n', input.indexOf('\n') + 1);
        check(lineEnd >= 0 ? stream == input.sliced(lineEnd + 1) : stream.isEmpty(),
              "the stream is every byte after the line");
        checkStream(body);
        break;
    }
    case Codec::RequestKind::QueryFile:
    case Codec::RequestKind::Image: {
        const Protocol::Offer offer = Protocol::parseSingleOffer(body);
        checkPaths(offer.files, offer.sizes);
        break;
    }
    case Codec::RequestKind::QueryFiles: {
        const Protocol::Offer offer = Protocol::parseListOffer(body);
        checkPaths(offer.files, offer.sizes);
        checkSize(offer.totalSize);
        check(Protocol::splitList(Protocol::joinList(offer.files)) == offer.files, "a list reads as written");
        break;
    }
    case Codec::RequestKind::WriteFile: {
        const Protocol::Acceptance acceptance = Protocol::parseAcceptance(body);
        checkPaths(acceptance.sources, acceptance.sizes);
        checkPaths(acceptance.destinations, {});
        break;
    }
    default:
        break;
    }
    return 0;
}
