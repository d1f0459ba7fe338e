// What the two sides remember between the requests of a transfer, and the texts the requests
// carry: paths on the wire, lists, the names received files get.

#include "transfer/expectedstreams.h"
#include "transfer/offerregistry.h"
#include "transfer/transferprotocol.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
namespace Protocol = vantrel::TransferProtocol;

namespace {

// How a Windows peer takes the name out of a path.
QString windowsName(const QString& wire)
{
    return wire.mid(wire.lastIndexOf(u'\\') + 1);
}

} // namespace

class TestTransferState final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pathsOnTheWireShowTheirNameToWindowsPeers()
    {
        QCOMPARE(Protocol::wirePath(u"/home/ann/Документы/план 2027.odt"_s),
                 u"\\home\\ann\\Документы\\план 2027.odt"_s);
        QCOMPARE(windowsName(Protocol::wirePath(u"/tmp/a\\b.txt"_s)), u"a⧵b.txt"_s);
        QCOMPARE(windowsName(Protocol::wirePath(u"/tmp/x<y>\n.txt"_s)), u"x‹y›\uFFFD.txt"_s);
        // One text stands for one file only: look-alikes get a folder of their own.
        OfferRegistry registry(60000, 100);
        const QString first = registry.remember({u"10.0.0.2"_s}, u"/tmp/a\\b.txt"_s);
        const QString second = registry.remember({u"10.0.0.2"_s}, u"/tmp/a⧵b.txt"_s);
        QVERIFY(first != second);
        QCOMPARE(windowsName(second), windowsName(first));
        QCOMPARE(registry.take(u"10.0.0.2"_s, second), u"/tmp/a⧵b.txt"_s);
        QCOMPARE(registry.take(u"10.0.0.2"_s, first), u"/tmp/a\\b.txt"_s);
    }

    void anOfferIsHonouredOnceForItsAddressOnly()
    {
        OfferRegistry registry(60000, 2);
        const QString wire = registry.remember({u"10.0.0.2"_s, u"10.0.0.3"_s}, u"/srv/report.pdf"_s);
        QVERIFY(!registry.take(u"10.0.0.4"_s, wire));
        QVERIFY(!registry.take(u"10.0.0.2"_s, u"/srv/report.pdf"_s));
        QCOMPARE(registry.take(u"10.0.0.2"_s, wire), u"/srv/report.pdf"_s);
        QVERIFY(!registry.take(u"10.0.0.2"_s, wire));
        QCOMPARE(registry.take(u"10.0.0.3"_s, wire), u"/srv/report.pdf"_s);
        // Offered twice, taken twice; beyond the limit the oldest offers are forgotten.
        registry.remember({u"10.0.0.5"_s}, u"/a"_s);
        registry.remember({u"10.0.0.5"_s}, u"/b"_s);
        registry.remember({u"10.0.0.5"_s}, u"/c"_s);
        QCOMPARE(registry.count(u"10.0.0.5"_s), 2);
        QVERIFY(!registry.take(u"10.0.0.5"_s, u"\\a"_s));
        QVERIFY(registry.take(u"10.0.0.5"_s, u"\\c"_s));
        // Forgotten after their lifetime.
        OfferRegistry shortLived(100, 10);
        const QString old = shortLived.remember({u"10.0.0.6"_s}, u"/old"_s);
        QTest::qWait(200);
        QVERIFY(!shortLived.take(u"10.0.0.6"_s, old));
    }

    void aDestinationIsUsedOnceWithinItsLifetime()
    {
        ExpectedStreams streams(1000, 2);
        const int acceptance =
            streams.add(u"10.0.0.2"_s, {{u"/in/a"_s, u"1"_s}, {u"/in/b"_s, u"2"_s}}, false, u"Аня"_s);
        QVERIFY(!streams.take(u"10.0.0.9"_s, u"/in/a"_s));
        const auto a = streams.take(u"10.0.0.2"_s, u"/in/a"_s);
        QVERIFY(a);
        QCOMPARE(a->size, u"1"_s);
        QCOMPARE(a->contact, u"Аня"_s);
        QVERIFY(!streams.take(u"10.0.0.2"_s, u"/in/a"_s));
        // A file of the acceptance ending gives the rest a new lifetime.
        QTest::qWait(600);
        streams.fileEnded(acceptance);
        QTest::qWait(600);
        QVERIFY(streams.take(u"10.0.0.2"_s, u"/in/b"_s));
        // Two open acceptances fill a peer's room; used up or expired ones free it.
        streams.add(u"10.0.0.3"_s, {{u"/x"_s, u"1"_s}}, false, {});
        streams.add(u"10.0.0.3"_s, {{u"/y"_s, u"1"_s}}, false, {});
        QVERIFY(!streams.hasRoomFor(u"10.0.0.3"_s));
        QVERIFY(streams.take(u"10.0.0.3"_s, u"/x"_s));
        QVERIFY(streams.hasRoomFor(u"10.0.0.3"_s));
        QTest::qWait(1200);
        QVERIFY(!streams.take(u"10.0.0.3"_s, u"/y"_s));
        QCOMPARE(streams.count(u"10.0.0.3"_s), 0);
    }

    void listsAndValues()
    {
        QCOMPARE(Protocol::joinList({u"a"_s, u"b"_s}), u"a\r\nb\r\n"_s);
        QCOMPARE(Protocol::splitList(u"a\r\nb\r\n"_s), (QStringList{u"a"_s, u"b"_s}));
        QCOMPARE(Protocol::splitList(u"a\nb"_s), (QStringList{u"a"_s, u"b"_s}));
        const Protocol::Offer offer = Protocol::parseListOffer(
            Protocol::listOfferBody(u"PC"_s, {u"C:\\1.txt"_s, u"C:\\2.txt"_s}, {10, 32}));
        QCOMPARE(offer.files, (QStringList{u"C:\\1.txt"_s, u"C:\\2.txt"_s}));
        QCOMPARE(offer.sizes, (QStringList{u"10"_s, u"32"_s}));
        QCOMPARE(offer.totalSize, u"42"_s);
        // One file answers with plain values, a set with lists.
        QCOMPARE(Protocol::acceptanceBody({u"s"_s}, {u"d"_s}, {u"1"_s}, true, false),
                 u"<SOURCE_FILE>s</SOURCE_FILE><DESTINATION_FILE>d</DESTINATION_FILE><FILE_SIZE>1</FILE_SIZE>"
                 u"<IS_IMAGE>-1</IS_IMAGE>"_s);
        QCOMPARE(Protocol::parseAcceptance(Protocol::acceptanceBody({u"s"_s, u"t"_s}, {u"d"_s, u"e"_s},
                                                                    {u"1"_s, u"2"_s}, false, true))
                     .destinations,
                 (QStringList{u"d"_s, u"e"_s}));
        QCOMPARE(Protocol::parseBool(u"-1"_s), std::optional<bool>(true));
        QCOMPARE(Protocol::parseBool(u"7"_s), std::optional<bool>(true));
        QCOMPARE(Protocol::parseBool(u"False"_s), std::optional<bool>(false));
        QCOMPARE(Protocol::parseBool(u"yes"_s), std::optional<bool>());
        QCOMPARE(Protocol::parseSize(u"-3"_s), std::optional<qint64>());
        QCOMPARE(Protocol::sizeText(u"12ab"_s), QString());
    }

    void receivedNamesComeFromEitherKindOfPath()
    {
        QCOMPARE(Protocol::receivedFileName(u"C:\\Users\\ann\\отчёт.doc"_s), u"отчёт.doc"_s);
        QCOMPARE(Protocol::receivedFileName(u"/home/ann/отчёт.doc"_s), u"отчёт.doc"_s);
        QCOMPARE(Protocol::receivedFileName(u"C:\\dir/sub\\..\\"_s), u"_"_s);
        QCOMPARE(Protocol::receivedFileName(u"C:\\x\\.."_s), u"%2E%2E"_s);
        QCOMPARE(Protocol::receivedFileName(u"nul.txt"_s), u"nul_.txt"_s);
    }
};

QTEST_GUILESS_MAIN(TestTransferState)
#include "test_transferstate.moc"
