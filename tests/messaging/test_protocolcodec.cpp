#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
namespace Codec = vantrel::ProtocolCodec;
using Kind = Codec::RequestKind;
using State = RequestReader::State;

Q_DECLARE_METATYPE(vantrel::ProtocolCodec::RequestKind)

namespace {

// Feeds `bytes` in pieces of `piece` bytes (the whole at once for 0), then closes.
RequestReader readAll(const QByteArray& bytes, qsizetype piece = 0, bool close = true,
                      RequestReader::Limits limits = {})
{
    RequestReader reader(limits);
    if (piece <= 0) {
        reader.feed(bytes);
    } else {
        for (qsizetype at = 0; at < bytes.size() && !reader.isDone(); at += piece)
            reader.feed(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
    }
    if (close)
        reader.finish();
    return reader;
}

} // namespace

class TestProtocolCodec final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headersAreRecognisedExactly_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("message") << "<VTL_MESSAGE>"_ba << Kind::Message;
        QTest::newRow("beep") << "<beep>"_ba << Kind::Beep;
        QTest::newRow("black list") << "<in_black_list>"_ba << Kind::InBlackList;
        QTest::newRow("no file") << "<no_accept_file>"_ba << Kind::NoAcceptFile;
        QTest::newRow("no files") << "<no_accept_files>"_ba << Kind::NoAcceptFiles;
        QTest::newRow("no image") << "<no_accept_image>"_ba << Kind::NoAcceptImage;
        QTest::newRow("saved") << "<files_saved>"_ba << Kind::FilesSaved;
        QTest::newRow("status") << "<STATUS>"_ba << Kind::Status;
        QTest::newRow("query file") << "<VTL_QUERY_FILE>"_ba << Kind::QueryFile;
        QTest::newRow("write file") << "<VTL_WRITE_FILE>"_ba << Kind::WriteFile;
        QTest::newRow("file") << "<VTL_FILE>"_ba << Kind::File;
        QTest::newRow("query files") << "<VTL_QUERY_FILES>"_ba << Kind::QueryFiles;
        QTest::newRow("image") << "<VTL_IMAGE>"_ba << Kind::Image;
        QTest::newRow("probe") << "<TCP_Connect>"_ba << Kind::TcpConnect;
        QTest::newRow("case differs") << "<BEEP>"_ba << Kind::Unknown;
        QTest::newRow("trailing blank") << "<beep> "_ba << Kind::Unknown;
        QTest::newRow("leading blank") << " <beep>"_ba << Kind::Unknown;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF<beep>"_ba << Kind::Unknown;
        QTest::newRow("empty") << QByteArray() << Kind::Unknown;
    }
    void headersAreRecognisedExactly()
    {
        QFETCH(QByteArray, line);
        QFETCH(Kind, kind);
        QCOMPARE(Codec::kindOfHeader(line), kind);
        if (kind != Kind::Unknown)
            QCOMPARE(QByteArray(Codec::headerOf(kind).data(), Codec::headerOf(kind).size()), line);
    }

    void buildsRequestsAsWritten()
    {
        // A header alone is one CR LF-terminated line; a body is one more write with its CR LF.
        QCOMPARE(Codec::buildRequest(Codec::Header::Beep), "<beep>\r\n"_ba);
        QCOMPARE(Codec::buildRequest(Codec::Header::Beep, QString()), "<beep>\r\n"_ba);
        const QString body = Codec::messageBody(u"PC-12"_s, u"Привет\r\nкак дела?"_s);
        QCOMPARE(Codec::buildRequest(Codec::Header::Message, body),
                 "<VTL_MESSAGE>\r\n<FROM>PC-12</FROM><MESSAGE>"_ba + u"Привет"_s.toUtf8() + "\r\n"_ba +
                     u"как дела?"_s.toUtf8() + "</MESSAGE>\r\n"_ba);
        QVERIFY(!Codec::buildRequest(Codec::Header::Message, body).startsWith("\xEF\xBB\xBF"));
    }

    void normalisesLineBreaks()
    {
        QCOMPARE(Codec::withCrLf(u"a\nb\r\nc\rd"_s), u"a\r\nb\r\nc\r\nd"_s);
        QCOMPARE(Codec::withCrLf(u"\n\n"_s), u"\r\n\r\n"_s);
        QCOMPARE(Codec::withCrLf(u"plain"_s), u"plain"_s);
    }

    void cutsFileNamesAtEitherSeparator()
    {
        QCOMPARE(Codec::fileNamePart(u"C:\\Docs\\отчёт.doc"_s), u"отчёт.doc"_s);
        QCOMPARE(Codec::fileNamePart(u"/home/u/a.txt"_s), u"a.txt"_s);
        QCOMPARE(Codec::fileNamePart(u"C:\\x/y\\z.txt"_s), u"z.txt"_s);
        QCOMPARE(Codec::fileNamePart(u"bare"_s), u"bare"_s);
    }

    // Every request of the table read back whole, fed at once and byte by byte.
    void readsEveryRequestKind_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("body");
        const QString message = Codec::messageBody(u"PC"_s, u"строка 1\r\nстрока 2"_s);
        QTest::newRow("message") << Codec::buildRequest(Codec::Header::Message, message) << Kind::Message
                                 << message + u"\r\n"_s;
        QTest::newRow("beep") << Codec::buildRequest(Codec::Header::Beep) << Kind::Beep << QString();
        QTest::newRow("status") << Codec::buildRequest(Codec::Header::Status,
                                                       u"<CODE>1</CODE><FROM>PC</FROM>"_s)
                                << Kind::Status << u"<CODE>1</CODE><FROM>PC</FROM>"_s;
        QTest::newRow("no_accept_file")
            << Codec::buildRequest(Codec::Header::NoAcceptFile, u"<FILE>C:\\a.txt</FILE>"_s)
            << Kind::NoAcceptFile << u"<FILE>C:\\a.txt</FILE>"_s;
        const QString list = u"<FILES>C:\\a\r\nC:\\b\r\n</FILES><TOTAL_SIZE>3</TOTAL_SIZE>"_s;
        QTest::newRow("query files") << Codec::buildRequest(Codec::Header::QueryFiles, list)
                                     << Kind::QueryFiles << list + u"\r\n"_s;
        QTest::newRow("probe") << Codec::buildRequest(Codec::Header::TcpConnect) << Kind::TcpConnect
                               << QString();
        QTest::newRow("unknown") << "<HELLO>\r\nrest\r\n"_ba << Kind::Unknown << QString();
        QTest::newRow("bare LF") << "<STATUS>\n<CODE>0</CODE>\n"_ba << Kind::Status << u"<CODE>0</CODE>"_s;
        QTest::newRow("line without CR LF at close")
            << "<STATUS>\r\n<CODE>2</CODE>"_ba << Kind::Status << u"<CODE>2</CODE>"_s;
        QTest::newRow("header without CR LF at close") << "<beep>"_ba << Kind::Beep << QString();
    }
    void readsEveryRequestKind()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QFETCH(QString, body);
        for (const qsizetype piece : {qsizetype(0), qsizetype(1), qsizetype(3)}) {
            const RequestReader reader = readAll(bytes, piece);
            QCOMPARE(reader.state(), State::Complete);
            QCOMPARE(reader.kind(), kind);
            QCOMPARE(reader.body(), body);
        }
    }

    void stopsAtTheEndOfTheRequest()
    {
        // A request without body is complete with its header; what follows is not taken.
        RequestReader reader;
        const QByteArray bytes = "<beep>\r\nextra bytes"_ba;
        QCOMPARE(reader.feed(bytes), qsizetype(8));
        QCOMPARE(reader.state(), State::Complete);
        // So is an unknown header, whose line is kept for the event log.
        RequestReader unknown;
        unknown.feed("<strange header>\r\n<FROM>x</FROM>"_ba);
        QCOMPARE(unknown.state(), State::Complete);
        QCOMPARE(unknown.kind(), Kind::Unknown);
        QCOMPARE(unknown.headerLine(), "<strange header>"_ba);
    }

    void decodesCharactersSplitAcrossPieces()
    {
        const QString text = u"Привет 👋 мир"_s;
        const QByteArray bytes =
            Codec::buildRequest(Codec::Header::Message, Codec::messageBody(u"Я"_s, text));
        for (qsizetype piece = 1; piece <= 5; ++piece) {
            const RequestReader reader = readAll(bytes, piece);
            QCOMPARE(reader.body(), Codec::messageBody(u"Я"_s, text) + u"\r\n"_s);
        }
    }

    void trailingBodyNeedsTheClose()
    {
        const RequestReader open =
            readAll(Codec::buildRequest(Codec::Header::Message, u"<FROM>a</FROM>"_s), 0, false);
        QCOMPARE(open.state(), State::TrailingBody);
        const RequestReader closed =
            readAll(Codec::buildRequest(Codec::Header::Message, u"<FROM>a</FROM>"_s), 0, true);
        QCOMPARE(closed.state(), State::Complete);
        // A message closed right after its header has an empty body, not a failure.
        QCOMPARE(readAll("<VTL_MESSAGE>\r\n"_ba).state(), State::Complete);
    }

    void closeBeforeTheLineFails()
    {
        // Header-only close of a request that needs a line body.
        const RequestReader lineMissing = readAll("<VTL_QUERY_FILE>\r\n"_ba);
        QCOMPARE(lineMissing.state(), State::Failed);
        QCOMPARE(lineMissing.error(), RequestReader::Error::ClosedEarly);
        QVERIFY(!lineMissing.errorString().isEmpty());
        // A header without CR LF whose body line never came.
        QCOMPARE(readAll("<STATUS>"_ba).state(), State::Failed);
        // A connection closed without a byte.
        const RequestReader empty = readAll({});
        QCOMPARE(empty.error(), RequestReader::Error::ClosedEarly);
        QCOMPARE(empty.bytesReceived(), 0);
    }

    void lineLimitIsExact_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<bool>("ok");
        QTest::newRow("limit") << Codec::MaxLineBytes << true;
        QTest::newRow("limit + 1") << Codec::MaxLineBytes + 1 << false;
    }
    void lineLimitIsExact()
    {
        QFETCH(qsizetype, length);
        QFETCH(bool, ok);
        const QByteArray line = QByteArray(length, 'x');
        for (const qsizetype piece : {qsizetype(0), qsizetype(1000)}) {
            const RequestReader header = readAll(line + "\r\n", piece, false);
            QCOMPARE(header.state() == State::Complete, ok); // an unknown header, complete once read
            const RequestReader body = readAll("<STATUS>\r\n" + line + "\r\n", piece, false);
            QCOMPARE(body.state() == State::Complete, ok);
            if (!ok)
                QCOMPARE(body.error(), RequestReader::Error::LineTooLong);
        }
    }

    void overlongLineFailsBeforeItIsBuffered()
    {
        // A peer that never ends its line: refused as soon as the limit is passed, with no more
        // than one line of memory held, however much it goes on sending.
        RequestReader reader;
        const QByteArray piece(4096, 'y');
        qsizetype fed = 0;
        while (!reader.isDone() && fed < 10 * Codec::MaxLineBytes) {
            reader.feed(piece);
            fed += piece.size();
            QVERIFY(reader.bufferedBytes() <= Codec::MaxLineBytes + 1);
        }
        QCOMPARE(reader.error(), RequestReader::Error::LineTooLong);
        QVERIFY(fed <= Codec::MaxLineBytes + piece.size());
        QCOMPARE(reader.bufferedBytes(), 0);
        // A single oversized piece is refused without being copied.
        RequestReader big;
        QCOMPARE(big.feed(QByteArray(3 * Codec::MaxLineBytes, 'z')), qsizetype(0));
        QCOMPARE(big.state(), State::Failed);
    }

    void trailingBodyCap()
    {
        RequestReader::Limits limits;
        limits.maxTrailingBodyBytes = 100;
        QCOMPARE(readAll("<VTL_MESSAGE>\r\n" + QByteArray(100, 'a'), 7, true, limits).state(),
                 State::Complete);
        const RequestReader over = readAll("<VTL_MESSAGE>\r\n" + QByteArray(101, 'a'), 7, true, limits);
        QCOMPARE(over.error(), RequestReader::Error::BodyTooLong);
        // The default cap holds the longest message a user can type, in 4-byte characters.
        const QString longest(65535, QChar(u'ж'));
        const QByteArray request = Codec::buildRequest(
            Codec::Header::Message, Codec::messageBody(u"PC"_s, QString::fromUcs4(U"😀").repeated(65535)));
        QCOMPARE(readAll(request, 64 * 1024).state(), State::Complete);
        QCOMPARE(readAll(Codec::buildRequest(Codec::Header::Message, longest)).body().size(),
                 longest.size() + 2);
    }

    void fileRequestStreamsItsBytes()
    {
        RequestReader reader;
        const QByteArray line = "<FROM>PC</FROM><DESTINATION_FILE>C:\\a.bin</DESTINATION_FILE>"_ba;
        const QByteArray data = "\r\n\x00\x01 raw\nbytes"_ba;
        reader.feed(QByteArray("<VTL_FILE>\r\n" + line + "\r\n" + data.left(3)));
        QCOMPARE(reader.state(), State::Stream);
        QCOMPARE(reader.rawBody(), line);
        QCOMPARE(reader.takeStreamData(), data.left(3));
        reader.feed(data.mid(3));
        QCOMPARE(reader.takeStreamData(), data.mid(3));
        QVERIFY(reader.takeStreamData().isEmpty());
        QCOMPARE(reader.streamBytes(), data.size());
        reader.finish();
        QCOMPARE(reader.state(), State::Complete);
        // A stream is not limited by size: only the connection's idleness ends it.
        RequestReader::Limits small;
        small.maxTrailingBodyBytes = 10;
        RequestReader big(small);
        big.feed("<VTL_FILE>\r\n<FILE_SIZE>1</FILE_SIZE>\r\n"_ba);
        for (int i = 0; i < 100; ++i) {
            big.feed(QByteArray(1000, 'q'));
            big.takeStreamData();
        }
        QCOMPARE(big.state(), State::Stream);
        QCOMPARE(big.streamBytes(), 100000);
    }
};

QTEST_GUILESS_MAIN(TestProtocolCodec)
#include "test_protocolcodec.moc"
