#include "messaging/protocolcodec.h"

#include "core/tags.h"

#include <array>

using namespace Qt::StringLiterals;

namespace vantrel::ProtocolCodec {
namespace {

struct KnownHeader {
    QLatin1String header;
    RequestKind kind;
    BodyKind body;
};

// The comparison order of the receiver.
constexpr std::array<KnownHeader, 14> kHeaders{{
    {Header::Message, RequestKind::Message, BodyKind::Trailing},
    {Header::Beep, RequestKind::Beep, BodyKind::None},
    {Header::InBlackList, RequestKind::InBlackList, BodyKind::None},
    {Header::NoAcceptFile, RequestKind::NoAcceptFile, BodyKind::Line},
    {Header::NoAcceptFiles, RequestKind::NoAcceptFiles, BodyKind::None},
    {Header::NoAcceptImage, RequestKind::NoAcceptImage, BodyKind::None},
    {Header::FilesSaved, RequestKind::FilesSaved, BodyKind::None},
    {Header::Status, RequestKind::Status, BodyKind::Line},
    {Header::QueryFile, RequestKind::QueryFile, BodyKind::Line},
    {Header::WriteFile, RequestKind::WriteFile, BodyKind::Trailing},
    {Header::File, RequestKind::File, BodyKind::LineThenStream},
    {Header::QueryFiles, RequestKind::QueryFiles, BodyKind::Trailing},
    {Header::Image, RequestKind::Image, BodyKind::Line},
    {Header::TcpConnect, RequestKind::TcpConnect, BodyKind::None},
}};

const KnownHeader* find(RequestKind kind)
{
    for (const KnownHeader& known : kHeaders) {
        if (known.kind == kind)
            return &known;
    }
    return nullptr;
}

} // namespace

RequestKind kindOfHeader(QByteArrayView headerLine)
{
    for (const KnownHeader& known : kHeaders) {
        if (headerLine == QByteArrayView(known.header.data(), known.header.size()))
            return known.kind;
    }
    return RequestKind::Unknown;
}

QLatin1String headerOf(RequestKind kind)
{
    const KnownHeader* known = find(kind);
    return known ? known->header : QLatin1String();
}

BodyKind bodyKindOf(RequestKind kind)
{
    const KnownHeader* known = find(kind);
    return known ? known->body : BodyKind::None;
}

QByteArray buildRequest(QAnyStringView header, QAnyStringView body)
{
    QByteArray bytes = header.toString().toUtf8();
    bytes.append("\r\n");
    if (!body.isEmpty()) {
        bytes.append(body.toString().toUtf8());
        bytes.append("\r\n");
    }
    return bytes;
}

QString messageBody(const QString& sender, const QString& text)
{
    return MakeTag(u"FROM", sender) + MakeTag(u"MESSAGE", text);
}

QString withCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            out.append(u"\r\n"_s);
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else if (c == u'\n') {
            out.append(u"\r\n"_s);
        } else {
            out.append(c);
        }
    }
    return out;
}

QString fileNamePart(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}

} // namespace vantrel::ProtocolCodec
