#include "messaging/protocolcodec.h"
#include "messaging/requestreader.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
namespace Codec = vantrel::ProtocolCodec;
using Kind = Codec::RequestKind;
using State = RequestReader::State;
using Error = RequestReader::Error;

Q_DECLARE_METATYPE(vantrel::ProtocolCodec::RequestKind)

namespace {

// Feeds `bytes` in pieces of `piece` bytes (the whole at once for 0), then closes.
RequestReader readAll(const QByteArray& bytes, qsizetype piece = 0, bool close = true,
                      RequestReader::Limits limits = {})
{
    RequestReader reader(limits);
    for (qsizetype at = 0; at < bytes.size() && !reader.isDone(); at += piece > 0 ? piece : bytes.size())
        reader.feed(
            QByteArrayView(bytes).sliced(at, piece > 0 ? std::min(piece, bytes.size() - at) : bytes.size()));
    if (close)
        reader.finish();
    return reader;
}

QByteArray message(const QString& body)
{
    return Codec::buildRequest(Codec::Header::Message, body);
}

} // namespace

class TestProtocolCodec final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headersAreRecognisedExactly()
    {
        // Every kind's header reads back as that kind (the spellings themselves are checked on
        // the wire by the engine tests); anything else is unknown.
        for (int k = 0; k < int(Kind::Unknown); ++k) {
            const Kind kind = Kind(k);
            const QLatin1String header = Codec::headerOf(kind);
            QVERIFY(!header.isEmpty());
            QCOMPARE(Codec::kindOfHeader(QByteArrayView(header.data(), header.size())), kind);
        }
        for (const QByteArray& line :
             {"<BEEP>"_ba, "<beep> "_ba, " <beep>"_ba, "\xEF\xBB\xBF<beep>"_ba, QByteArray()})
            QCOMPARE(Codec::kindOfHeader(line), Kind::Unknown);
        // Lone LF and CR become the protocol's CR LF.
        QCOMPARE(Codec::withCrLf(u"a\nb\r\nc\rd\n\n"_s), u"a\r\nb\r\nc\r\nd\r\n\r\n"_s);
    }

    // Requests read back whole, fed at once and in small pieces that split characters.
    void readsEveryRequestKind_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("body");
        const QString text = Codec::messageBody(u"Я"_s, u"строка 1 👋\r\nстрока 2"_s);
        QTest::newRow("message") << message(text) << Kind::Message << text + u"\r\n"_s;
        QTest::newRow("beep") << Codec::buildRequest(Codec::Header::Beep) << Kind::Beep << QString();
        QTest::newRow("no_accept_file")
            << Codec::buildRequest(Codec::Header::NoAcceptFile, u"<FILE>C:\\a.txt</FILE>"_s)
            << Kind::NoAcceptFile << u"<FILE>C:\\a.txt</FILE>"_s;
        const QString list = u"<FILES>C:\\a\r\nC:\\b\r\n</FILES><TOTAL_SIZE>3</TOTAL_SIZE>"_s;
        QTest::newRow("query files") << Codec::buildRequest(Codec::Header::QueryFiles, list)
                                     << Kind::QueryFiles << list + u"\r\n"_s;
        QTest::newRow("unknown") << "<HELLO>\r\nrest\r\n"_ba << Kind::Unknown << QString();
        QTest::newRow("bare LF") << "<STATUS>\n<CODE>0</CODE>\n"_ba << Kind::Status << u"<CODE>0</CODE>"_s;
        QTest::newRow("line without CR LF at close")
            << "<STATUS>\r\n<CODE>2</CODE>"_ba << Kind::Status << u"<CODE>2</CODE>"_s;
        QTest::newRow("header without CR LF at close") << "<beep>"_ba << Kind::Beep << QString();
        QTest::newRow("message closed after its header")
            << "<VTL_MESSAGE>\r\n"_ba << Kind::Message << QString();
    }
    void readsEveryRequestKind()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Kind, kind);
        QFETCH(QString, body);
        for (const qsizetype piece : {0, 1, 2, 3, 5}) {
            const RequestReader reader = readAll(bytes, piece);
            QCOMPARE(reader.state(), State::Complete);
            QCOMPARE(reader.kind(), kind);
            QCOMPARE(reader.body(), body);
        }
    }

    void requestEndsWhereItsKindSays()
    {
        // A request without body is complete with its header; what follows is not taken.
        RequestReader reader;
        QCOMPARE(reader.feed("<beep>\r\nextra bytes"_ba), qsizetype(8));
        QCOMPARE(reader.state(), State::Complete);
        // So is an unknown header, whose line is kept for the event log.
        RequestReader unknown;
        unknown.feed("<strange header>\r\n<FROM>x</FROM>"_ba);
        QCOMPARE(unknown.state(), State::Complete);
        QCOMPARE(unknown.headerLine(), "<strange header>"_ba);
        // A trailing body needs the close.
        QCOMPARE(readAll(message(u"<FROM>a</FROM>"_s), 0, false).state(), State::TrailingBody);
        // A close before a needed line fails: after the header, within the header, without a byte.
        for (const QByteArray& early : {"<VTL_QUERY_FILE>\r\n"_ba, "<STATUS>"_ba, QByteArray()}) {
            const RequestReader failed = readAll(early);
            QCOMPARE(failed.state(), State::Failed);
            QCOMPARE(failed.error(), Error::ClosedEarly);
            QVERIFY(!failed.errorString().isEmpty());
        }
    }

    void lineLimitIsExact()
    {
        for (const qsizetype length : {Codec::MaxLineBytes, Codec::MaxLineBytes + 1}) {
            const bool ok = length == Codec::MaxLineBytes;
            const QByteArray line = QByteArray(length, 'x');
            for (const qsizetype piece : {0, 1000}) {
                const RequestReader header = readAll(line + "\r\n", piece, false);
                QCOMPARE(header.state() == State::Complete, ok); // an unknown header, complete once read
                const RequestReader body = readAll("<STATUS>\r\n" + line + "\r\n", piece, false);
                QCOMPARE(body.state() == State::Complete, ok);
                QCOMPARE(body.error() == Error::LineTooLong, !ok);
            }
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
        QCOMPARE(reader.error(), Error::LineTooLong);
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
        QCOMPARE(readAll("<VTL_MESSAGE>\r\n" + QByteArray(101, 'a'), 7, true, limits).error(),
                 Error::BodyTooLong);
        // The default cap holds the longest message a user can type, in 4-byte characters.
        const QByteArray longest =
            message(Codec::messageBody(u"PC"_s, QString::fromUcs4(U"😀").repeated(65535)));
        QCOMPARE(readAll(longest, 64 * 1024).state(), State::Complete);
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
