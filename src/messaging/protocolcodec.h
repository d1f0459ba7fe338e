#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1String>
#include <QString>
#include <QStringView>

namespace vantrel::ProtocolCodec {

// The peer-to-peer protocol: one request per TCP connection. The requester writes a header
// line, then the body (if any), then closes; the receiver never answers on that connection.
// Every line ends in CR LF, every text is UTF-8 without a byte-order mark.

inline constexpr quint16 DefaultPort = 2012;

// A line (the header or a line body) holds at most this many bytes, CR LF not counted.
inline constexpr qsizetype MaxLineBytes = 16384;

// Header lines, compared byte for byte (case-sensitive) with what a peer sends.
namespace Header {
inline constexpr QLatin1String Message("<VTL_MESSAGE>");
inline constexpr QLatin1String Beep("<beep>");
inline constexpr QLatin1String InBlackList("<in_black_list>");
inline constexpr QLatin1String NoAcceptFile("<no_accept_file>");
inline constexpr QLatin1String NoAcceptFiles("<no_accept_files>");
inline constexpr QLatin1String NoAcceptImage("<no_accept_image>");
inline constexpr QLatin1String FilesSaved("<files_saved>");
inline constexpr QLatin1String Status("<STATUS>");
inline constexpr QLatin1String QueryFile("<VTL_QUERY_FILE>");
inline constexpr QLatin1String WriteFile("<VTL_WRITE_FILE>");
inline constexpr QLatin1String File("<VTL_FILE>");
inline constexpr QLatin1String QueryFiles("<VTL_QUERY_FILES>");
inline constexpr QLatin1String Image("<VTL_IMAGE>");
inline constexpr QLatin1String TcpConnect("<TCP_Connect>");
} // namespace Header

// Every request a receiver knows, in the order headers are compared.
enum class RequestKind {
    Message,
    Beep,
    InBlackList,
    NoAcceptFile,
    NoAcceptFiles,
    NoAcceptImage,
    FilesSaved,
    Status,
    QueryFile,
    WriteFile,
    File,
    QueryFiles,
    Image,
    TcpConnect,
    Unknown
};

// What follows a header.
enum class BodyKind {
    None,          // nothing: the request is complete with its header
    Line,          // one line
    Trailing,      // everything up to the close of the connection
    LineThenStream // one line, then raw bytes up to the close
};

// The kind of a header line (without its CR LF); Unknown for anything else.
RequestKind kindOfHeader(QByteArrayView headerLine);
// The header line of a known kind; empty for Unknown.
QLatin1String headerOf(RequestKind kind);
BodyKind bodyKindOf(RequestKind kind);

// The bytes of a whole request: the header line, then the body as one more CR LF-terminated
// write when it is not empty. A body with its own line breaks (message texts, lists) is
// written as it is: the receiver reads it as a trailing body.
QByteArray buildRequest(QAnyStringView header, QAnyStringView body = {});

// The body of a text message: `<FROM>sender</FROM><MESSAGE>text</MESSAGE>`.
QString messageBody(const QString& sender, const QString& text);

// The text with every line break that is a lone LF or a lone CR turned into CR LF, the line
// break of the protocol.
QString withCrLf(const QString& text);

// The file-name part of a path from either system: the text after the last '\' or '/'.
QString fileNamePart(const QString& path);

} // namespace vantrel::ProtocolCodec
