#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel::TransferProtocol {

// The bodies of the transfer requests and the texts built from them. Pure functions.

// An offer as received: `<VTL_QUERY_FILE>` and `<VTL_IMAGE>` carry one path, `<VTL_QUERY_FILES>`
// a list. Paths and sizes are kept exactly as they came (sizes may not be numbers).
struct Offer {
    QString from;
    QStringList files;
    QStringList sizes;
    QString totalSize; // `<VTL_QUERY_FILES>` only
};
Offer parseSingleOffer(const QString& line);
Offer parseListOffer(const QString& body);

// `<VTL_WRITE_FILE>`: the offered paths, where the acceptor writes them, their sizes.
struct Acceptance {
    QStringList sources;
    QStringList destinations;
    QStringList sizes;
    bool isImage = false;
};
Acceptance parseAcceptance(const QString& body);

// The line of `<VTL_FILE>`.
struct StreamHeader {
    QString from;
    QString destination;
    QString size;
    QString isImage;
};
StreamHeader parseStreamHeader(const QString& line);

QString singleOfferBody(const QString& from, const QString& file, qint64 size);
QString listOfferBody(const QString& from, const QStringList& files, const QList<qint64>& sizes);
// One file: each field holds its value; `asList`: each holds one entry per line.
QString acceptanceBody(const QStringList& sources, const QStringList& destinations, const QStringList& sizes,
                       bool isImage, bool asList);
QString streamLine(const QString& from, const QString& destination, const QString& size, bool isImage);

// A list field: every entry followed by CR LF, the last one too.
QString joinList(const QStringList& entries);
// Its entries; the CR LF after the last entry starts no further one.
QStringList splitList(const QString& text);

// A byte count of the protocol: a decimal 64-bit integer, not negative.
std::optional<qint64> parseSize(const QString& text);
// A boolean of the protocol: "0" false, any other integer true, and the words true and false.
std::optional<bool> parseBool(const QString& text);
// "0" or "-1".
QString boolText(bool value);

// How a local path goes on the wire. A Windows peer takes the file name from the text after
// the last '\': the folders are joined with '\', and characters a name cannot carry there
// ('\', '<', '>', control characters) are replaced by look-alikes, so the peer shows the name.
QString wirePath(const QString& localPath);

// The name a received file is saved under: the text after the last '\' or '/' of the peer's
// path, mapped like contact names (SafeFileName), so it always stays in its folder.
QString receivedFileName(const QString& peerPath);

// The size text of a question: "(" + FormatFileSize + ")", or empty for a size that is no number.
QString sizeText(const QString& rawSize);

} // namespace vantrel::TransferProtocol
