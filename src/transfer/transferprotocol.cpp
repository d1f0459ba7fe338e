#include "transfer/transferprotocol.h"

#include "core/tags.h"
#include "core/textlines.h"
#include "core/utilities.h"
#include "messaging/protocolcodec.h"
#include "settings/safefilename.h"

using namespace Qt::StringLiterals;

namespace vantrel::TransferProtocol {

namespace {

QString tag(QStringView name, const QString& text)
{
    return TagValue(name, text);
}

} // namespace

Offer parseSingleOffer(const QString& line)
{
    Offer offer;
    offer.from = tag(u"FROM", line);
    offer.files = QStringList{tag(u"FILE", line)};
    offer.sizes = QStringList{tag(u"FILE_SIZE", line)};
    return offer;
}

Offer parseListOffer(const QString& body)
{
    Offer offer;
    offer.from = tag(u"FROM", body);
    offer.files = splitList(tag(u"FILES", body));
    offer.sizes = splitList(tag(u"FILES_SIZE", body));
    offer.totalSize = tag(u"TOTAL_SIZE", body);
    return offer;
}

Acceptance parseAcceptance(const QString& body)
{
    Acceptance acceptance;
    acceptance.sources = splitList(tag(u"SOURCE_FILE", body));
    acceptance.destinations = splitList(tag(u"DESTINATION_FILE", body));
    acceptance.sizes = splitList(tag(u"FILE_SIZE", body));
    acceptance.isImage = parseBool(tag(u"IS_IMAGE", body)).value_or(false);
    return acceptance;
}

StreamHeader parseStreamHeader(const QString& line)
{
    return {tag(u"FROM", line), tag(u"DESTINATION_FILE", line), tag(u"FILE_SIZE", line),
            tag(u"IS_IMAGE", line)};
}

QString singleOfferBody(const QString& from, const QString& file, qint64 size)
{
    return MakeTag(u"FROM", from) + MakeTag(u"FILE", file) + MakeTag(u"FILE_SIZE", QString::number(size));
}

QString listOfferBody(const QString& from, const QStringList& files, const QList<qint64>& sizes)
{
    QStringList sizeTexts;
    qint64 total = 0;
    for (const qint64 size : sizes) {
        sizeTexts.append(QString::number(size));
        total += size;
    }
    return MakeTag(u"FROM", from) + MakeTag(u"FILES", joinList(files)) +
           MakeTag(u"FILES_SIZE", joinList(sizeTexts)) + MakeTag(u"TOTAL_SIZE", QString::number(total));
}

QString acceptanceBody(const QStringList& sources, const QStringList& destinations, const QStringList& sizes,
                       bool isImage, bool asList)
{
    const auto field = [asList](const QStringList& entries) {
        return asList ? joinList(entries) : entries.value(0);
    };
    return MakeTag(u"SOURCE_FILE", field(sources)) + MakeTag(u"DESTINATION_FILE", field(destinations)) +
           MakeTag(u"FILE_SIZE", field(sizes)) + MakeTag(u"IS_IMAGE", boolText(isImage));
}

QString streamLine(const QString& from, const QString& destination, const QString& size, bool isImage)
{
    return MakeTag(u"FROM", from) + MakeTag(u"DESTINATION_FILE", destination) + MakeTag(u"FILE_SIZE", size) +
           MakeTag(u"IS_IMAGE", boolText(isImage));
}

QString joinList(const QStringList& entries)
{
    QString text;
    for (const QString& entry : entries)
        text += entry + u"\r\n"_s;
    return text;
}

QStringList splitList(const QString& text)
{
    QStringList entries;
    for (const QStringView line : SplitTextLines(text))
        entries.append(line.toString());
    return entries;
}

std::optional<qint64> parseSize(const QString& text)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

std::optional<bool> parseBool(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"true"_s, Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"false"_s, Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return value != 0;
}

QString boolText(bool value)
{
    return value ? u"-1"_s : u"0"_s;
}

QString wirePath(const QString& localPath)
{
    QString wire;
    wire.reserve(localPath.size());
    for (const QChar c : localPath) {
        const char16_t u = c.unicode();
        if (u == u'/')
            wire += u'\\';
        else if (u == u'\\')
            wire += QChar(0x29F5); // REVERSE SOLIDUS OPERATOR
        else if (u == u'<')
            wire += QChar(0x2039);
        else if (u == u'>')
            wire += QChar(0x203A);
        else if (u < 0x20 || u == 0x7F)
            wire += QChar(0xFFFD);
        else
            wire += c;
    }
    return wire;
}

QString receivedFileName(const QString& peerPath)
{
    return SafeFileName(ProtocolCodec::fileNamePart(peerPath));
}

QString sizeText(const QString& rawSize)
{
    bool ok = false;
    const qint64 size = rawSize.trimmed().toLongLong(&ok);
    return ok ? u"("_s + FormatFileSize(size) + u')' : QString();
}

} // namespace vantrel::TransferProtocol
