// What a peer cannot make this side do, tried over real connections: write where this side did
// not agree to, get a file that was not offered to it, leave a file outside the sender's folder,
// follow a link, leave a partial file, fill the disk, or tie the receiver up with floods.

#include "core/tags.h"
#include "messaging/protocolcodec.h"
#include "transfer/transfer.h"
#include "transfer/transferprotocol.h"
#include "transferpeer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
namespace Codec = vantrel::ProtocolCodec;
namespace Protocol = vantrel::TransferProtocol;

namespace {

constexpr int kTimeoutMs = 20000;

QByteArray offer(const QString& from, const QString& path, qint64 size)
{
    return Codec::buildRequest(Codec::Header::QueryFile, Protocol::singleOfferBody(from, path, size));
}

QByteArray stream(const QString& destination, qint64 announced, const QByteArray& data)
{
    return Codec::buildRequest(Codec::Header::File, Protocol::streamLine(u"PC-X"_s, destination,
                                                                         QString::number(announced), false)) +
           data;
}

// The body of the last request a catcher got, without its header line.
QString bodyOf(const QByteArray& request)
{
    const qsizetype end = request.indexOf("\r\n");
    return QString::fromUtf8(request.mid(end + 2));
}

// A receiver that accepts files of its contact "Партнёр" (at `partner`) by itself; what it
// answers reaches a catcher standing at the partner's address.
struct Receiving {
    Receiving(const QString& address, const QString& partner,
              const std::function<void(TransferConfig&)>& tune = {})
        : port(sharedPort())
        , receiver(address, port, tune)
        , answers(partner, port)
        , partnerAddress(partner)
    {
        receiver.contacts.add(u"Партнёр"_s, partner);
        receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(true);
    }
    // Offers a file from the partner and returns the destination named in the acceptance.
    QString accepted(const QString& path, qint64 size)
    {
        const qsizetype before = answers.requests.size();
        sendRaw(partnerAddress, receiver.address(), port, offer(partnerAddress, path, size));
        if (!QTest::qWaitFor([&] { return answers.requests.size() > before; }, kTimeoutMs))
            return {};
        const QByteArray answer = answers.requests.last();
        if (!answer.startsWith("<VTL_WRITE_FILE>\r\n"))
            return {};
        return Protocol::parseAcceptance(bodyOf(answer)).destinations.value(0);
    }
    // Sends a stream from `from` and waits until the receiver has dealt with it.
    void deliver(const QString& from, const QByteArray& bytes)
    {
        const qsizetype events = receiver.events().size();
        const qsizetype lines = receiver.host.lines.size();
        sendRaw(from, receiver.address(), port, bytes);
        const bool dealt = QTest::qWaitFor(
            [&] {
                return (receiver.events().size() > events || receiver.host.lines.size() > lines) &&
                       receiver.transfers->activeTransfers() == 0;
            },
            kTimeoutMs);
        if (!dealt)
            qWarning("the receiver did not deal with the stream");
    }

    quint16 port;
    TransferPeer receiver;
    Catcher answers;
    QString partnerAddress;
};

} // namespace

class TestTransferSafety final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void streamsGoOnlyWhereThisSideAgreed()
    {
        Receiving r(u"127.0.0.52"_s, u"127.0.0.51"_s,
                    [](TransferConfig& c) { c.destinationLifetimeMs = 1500; });
        const QString folder = r.receiver.receiveFolder();
        // A destination this side never named: nothing is created.
        const QString planted = folder + u"/planted.txt"_s;
        r.deliver(u"127.0.0.51"_s, stream(planted, 5, "hello"));
        QVERIFY(!QFileInfo::exists(planted));
        QVERIFY(r.receiver.events().constLast().startsWith(u"Error | 127.0.0.51: <VTL_FILE>: запись в \""_s +
                                                           planted));

        const QString destination = r.accepted(u"C:\\docs\\agreed.txt"_s, 5);
        QCOMPARE(destination, folder + u"/Партнёр/agreed.txt"_s);
        // Named to the partner: another address may not use it.
        r.deliver(u"127.0.0.53"_s, stream(destination, 5, "WRONG"));
        QVERIFY(!QFileInfo::exists(destination));
        QVERIFY(r.receiver.events().constLast().startsWith(u"Error | 127.0.0.53: <VTL_FILE>"_s));
        // The partner may, once.
        r.deliver(u"127.0.0.51"_s, stream(destination, 5, "right"));
        QCOMPARE(readAll(destination), "right"_ba);
        r.deliver(u"127.0.0.51"_s, stream(destination, 5, "again"));
        QCOMPARE(readAll(destination), "right"_ba);
        QVERIFY(r.receiver.events().constLast().contains(u"не получал согласия"_s));

        // An agreement that was not used in time has expired.
        const QString late = r.accepted(u"C:\\docs\\late.txt"_s, 4);
        QVERIFY(!late.isEmpty());
        QTest::qWait(2000);
        r.deliver(u"127.0.0.51"_s, stream(late, 4, "late"));
        QVERIFY(!QFileInfo::exists(late));
    }

    void acceptancesSendOnlyWhatWasOfferedToThatAddress()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.61"_s, port);
        Catcher offered(u"127.0.0.62"_s, port);
        Catcher other(u"127.0.0.63"_s, port);
        const QString shared = sender.makeFile(u"для 62.txt"_s, 1000, 's');
        const QString secret = sender.makeFile(u"secret.txt"_s, 100, 'x');
        sender.transfers->offerFiles({u"127.0.0.62"_s}, {shared});
        QTRY_COMPARE_WITH_TIMEOUT(offered.requests.size(), 1, kTimeoutMs);
        const QString wire = TagValue(u"FILE", bodyOf(offered.requests.constFirst()));
        // Windows peers cut the name at the last '\'.
        QCOMPARE(wire.section(u'\\', -1), u"для 62.txt"_s);

        const auto accept = [&](const QString& from, const QString& source) {
            const QList<QByteArray>& caught = from == u"127.0.0.62"_s ? offered.requests : other.requests;
            const qsizetype before = caught.size();
            const qsizetype events = sender.events().size();
            sendRaw(from, u"127.0.0.61"_s, port,
                    Codec::buildRequest(
                        Codec::Header::WriteFile,
                        Protocol::acceptanceBody({source}, {u"D:\\in\\x.txt"_s}, {u"1000"_s}, false, false)));
            if (!QTest::qWaitFor([&] { return caught.size() > before || sender.events().size() > events; },
                                 kTimeoutMs))
                qWarning("the sender did nothing");
            QTest::qWait(300); // room for a stream that should not come
            return caught.size() > before ? caught.constLast() : QByteArray();
        };
        // Another address cannot take up the offer.
        QVERIFY(accept(u"127.0.0.63"_s, wire).isEmpty());
        QVERIFY(sender.events().constLast().contains(u"не предлагался"_s));
        // Nobody gets a file that was never offered, however it is named.
        QVERIFY(accept(u"127.0.0.62"_s, Protocol::wirePath(secret)).isEmpty());
        QVERIFY(accept(u"127.0.0.62"_s, secret).isEmpty());
        QVERIFY(accept(u"127.0.0.62"_s, u"/etc/passwd"_s).isEmpty());
        // The address it was offered to gets it, once.
        const QByteArray sent = accept(u"127.0.0.62"_s, wire);
        QVERIFY(sent.startsWith("<VTL_FILE>\r\n"));
        QVERIFY(sent.endsWith(QByteArray("\r\n" + pattern(1000, 's'))));
        QVERIFY(accept(u"127.0.0.62"_s, wire).isEmpty());
        QCOMPARE(sender.transferHost.transfers.size(), 1);
    }

    void peerFileNamesStayInsideTheSenderFolder()
    {
        Receiving r(u"127.0.0.72"_s, u"127.0.0.71"_s);
        const QString root = QDir::cleanPath(r.receiver.receiveFolder());
        const QString folder = root + u"/Партнёр"_s;
        const QStringList names{u"..\\..\\evil.txt"_s,
                                u"a/../../b.txt"_s,
                                u"/etc/passwd"_s,
                                u"C:\\x\\.."_s,
                                u"C:\\x\\."_s,
                                u"dir\\"_s,
                                u"CON"_s,
                                u"tail. "_s,
                                u"tab\there"_s,
                                QString(300, u'я') + u".txt"_s};
        QList<QString> destinations;
        for (const QString& name : names) {
            const QString destination = r.accepted(name, 3);
            QVERIFY2(!destination.isEmpty(), qPrintable(name));
            destinations.append(destination);
            const QFileInfo info(destination);
            QVERIFY2(info.path() == folder, qPrintable(destination));
            const QString file = info.fileName();
            QVERIFY2(file != u"."_s && file != u".."_s && !file.isEmpty() && !file.contains(u'\n') &&
                         file.toUtf8().size() <= 255 && file.compare(u"CON"_s, Qt::CaseInsensitive) != 0 &&
                         !file.endsWith(u'.') && !file.endsWith(u' '),
                     qPrintable(file));
        }
        QCOMPARE(QFileInfo(destinations.at(0)).fileName(), u"evil.txt"_s);
        QCOMPARE(QFileInfo(destinations.at(2)).fileName(), u"passwd"_s);
        // What is written lands there and nowhere else.
        for (const QString& destination : std::as_const(destinations))
            r.deliver(u"127.0.0.71"_s, stream(destination, 3, "abc"));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), names.size());
        QStringList outside = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(outside, QStringList{u"Партнёр"_s});

        // A contact name that is a path makes a folder name, not a path.
        r.receiver.contacts.add(u"../../Злой"_s, u"127.0.0.73"_s);
        Catcher evil(u"127.0.0.73"_s, r.port);
        sendRaw(u"127.0.0.73"_s, r.receiver.address(), r.port, offer(u"../../Злой"_s, u"x.txt"_s, 1));
        QTRY_COMPARE_WITH_TIMEOUT(evil.requests.size(), 1, kTimeoutMs);
        const QString named =
            Protocol::parseAcceptance(bodyOf(evil.requests.constFirst())).destinations.value(0);
        QCOMPARE(QFileInfo(QFileInfo(named).path()).path(), root);
    }

    void aLinkAtTheDestinationIsReplacedNotFollowed()
    {
        Receiving r(u"127.0.0.82"_s, u"127.0.0.81"_s);
        const QString destination = r.accepted(u"report.txt"_s, 6);
        const QString outside = r.receiver.dir.path() + u"/outside.txt"_s;
        writeAll(outside, "keep");
        QVERIFY(QFile::link(outside, destination));
        r.deliver(u"127.0.0.81"_s, stream(destination, 6, "stream"));
        QCOMPARE(readAll(outside), "keep"_ba);
        QVERIFY(!QFileInfo(destination).isSymLink());
        QCOMPARE(readAll(destination), "stream"_ba);
    }

    void incompleteStreamsLeaveNothingBehind()
    {
        Receiving r(u"127.0.0.92"_s, u"127.0.0.91"_s, [](TransferConfig& c) { c.idleTimeoutMs = 700; });
        const QString folder = r.receiver.receiveFolder() + u"/Партнёр"_s;
        const auto failsCleanly = [&](const QString& name, const std::function<void(const QString&)>& send,
                                      const QString& why) {
            const QString destination = r.accepted(name, 100000);
            // An older file of that name survives a failed transfer.
            writeAll(destination, "older");
            const qsizetype balloons = r.receiver.host.balloons.size();
            send(destination);
            QTRY_VERIFY_WITH_TIMEOUT(r.receiver.host.balloons.size() > balloons, kTimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(r.receiver.transfers->activeTransfers(), 0, kTimeoutMs);
            QCOMPARE(readAll(destination), "older"_ba);
            QVERIFY(!hasTemporaryFiles(folder));
            const auto& balloon = r.receiver.host.balloons.constLast();
            QCOMPARE(balloon.level, MessagingHost::BalloonLevel::Error);
            QVERIFY2(balloon.text.contains(why), qPrintable(balloon.text));
            QVERIFY(r.receiver.events().constLast().startsWith(u"Error | 127.0.0.91: "_s));
            QVERIFY(r.receiver.events().constLast().contains(u"файл \""_s + destination + u"\" не принят"_s));
        };
        // Closed before all bytes came.
        failsCleanly(
            u"short.bin"_s,
            [&](const QString& d) {
                sendRaw(u"127.0.0.91"_s, r.receiver.address(), r.port,
                        stream(d, 100000, pattern(60000, 'e')));
            },
            u"получено 60000 из 100000"_s);
        // More bytes than announced.
        failsCleanly(
            u"long.bin"_s,
            [&](const QString& d) {
                sendRaw(u"127.0.0.91"_s, r.receiver.address(), r.port,
                        stream(d, 100000, pattern(100001, 'l')));
            },
            u"больше данных"_s);
        // A sender that goes quiet.
        std::unique_ptr<QTcpSocket> quiet;
        failsCleanly(
            u"idle.bin"_s,
            [&](const QString& d) {
                quiet = sendRaw(u"127.0.0.91"_s, r.receiver.address(), r.port,
                                stream(d, 100000, pattern(5000, 'i')), false);
            },
            u"Нет данных"_s);
        // A size other than the one accepted.
        failsCleanly(
            u"resized.bin"_s,
            [&](const QString& d) {
                sendRaw(u"127.0.0.91"_s, r.receiver.address(), r.port,
                        stream(d, 200000, pattern(200000, 'r')));
            },
            u"не совпадает"_s);
    }

    void offersBeyondTheFreeSpaceAreRefused()
    {
        Receiving r(u"127.0.0.102"_s, u"127.0.0.101"_s);
        sendRaw(u"127.0.0.101"_s, r.receiver.address(), r.port,
                offer(u"127.0.0.101"_s, u"C:\\huge.iso"_s, qint64(1) << 60));
        QTRY_COMPARE_WITH_TIMEOUT(r.answers.requests.size(), 1, kTimeoutMs);
        QCOMPARE(r.answers.requests.constFirst(),
                 Codec::buildRequest(Codec::Header::NoAcceptFile, u"<FILE>C:\\huge.iso</FILE>"_s));
        QCOMPARE(r.receiver.host.balloons.size(), 1);
        QVERIFY(r.receiver.host.balloons.constFirst().text.startsWith(u"Недостаточно места на диске"_s));
        QVERIFY(r.receiver.events().constLast().contains(u"Недостаточно места на диске"_s));
        QVERIFY(QDir(r.receiver.receiveFolder() + u"/Партнёр"_s).isEmpty());
    }

    void aDiskThatFillsLeavesNoPartialFile()
    {
        Receiving r(u"127.0.0.112"_s, u"127.0.0.111"_s);
        const QString destination = r.accepted(u"big.bin"_s, 4 * 1024 * 1024);
        {
            // The file system takes no more than 1 MiB of any file.
            FileSizeLimit full(1024 * 1024);
            QVERIFY(full.ok());
            const qsizetype balloons = r.receiver.host.balloons.size();
            sendRaw(u"127.0.0.111"_s, r.receiver.address(), r.port,
                    stream(destination, 4 * 1024 * 1024, pattern(4 * 1024 * 1024, 'f')));
            QTRY_VERIFY_WITH_TIMEOUT(r.receiver.host.balloons.size() > balloons, kTimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(r.receiver.transfers->activeTransfers(), 0, kTimeoutMs);
        }
        QVERIFY(!QFileInfo::exists(destination));
        QVERIFY(!hasTemporaryFiles(r.receiver.receiveFolder()));
        // And the receiver goes on working.
        const QString next = r.accepted(u"small.bin"_s, 3);
        r.deliver(u"127.0.0.111"_s, stream(next, 3, "ok!"));
        QCOMPARE(readAll(next), "ok!"_ba);
    }

    void floodsAreCutAtTheLimits()
    {
        // Questions: beyond the limit an offer is refused at once. A flood of such offers
        // gets refusals only within the limits of answers, and log lines within the peer's share.
        {
            Receiving r(u"127.0.0.122"_s, u"127.0.0.121"_s,
                        [](TransferConfig& c) { c.maxWaitingQuestions = 2; });
            r.receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(false);
            for (int i = 0; i < 3; ++i)
                sendRaw(u"127.0.0.121"_s, r.receiver.address(), r.port,
                        offer(u"x"_s, u"f%1.txt"_s.arg(i), 1));
            QTRY_COMPARE_WITH_TIMEOUT(r.answers.requests.size(), 1, kTimeoutMs);
            QVERIFY(r.answers.requests.constFirst().startsWith("<no_accept_file>\r\n"));
            QCOMPARE(r.receiver.transferHost.waiting.size(), 2);
            QCOMPARE(r.receiver.transfers->waitingQuestions(), 2);
            QVERIFY(r.receiver.events().constLast().contains(u"слишком много вопросов"_s));

            for (int i = 0; i < 30; ++i)
                sendRaw(u"127.0.0.121"_s, r.receiver.address(), r.port,
                        offer(u"x"_s, u"g%1.txt"_s.arg(i), 1));
            const auto refusedLines = [&] {
                return r.receiver.events().filter(u"слишком много вопросов"_s).size();
            };
            QTRY_VERIFY_WITH_TIMEOUT(refusedLines() >= 10, kTimeoutMs);
            QTest::qWait(500);
            QCOMPARE(r.answers.requests.size(), 1);
            QCOMPARE(refusedLines(), 10);
            QCOMPARE(r.receiver.transferHost.waiting.size(), 2);
        }
        // Acceptances remembered per peer: beyond the limit further offers are refused.
        {
            Receiving r(u"127.0.0.124"_s, u"127.0.0.123"_s,
                        [](TransferConfig& c) { c.maxAcceptancesPerPeer = 2; });
            QVERIFY(!r.accepted(u"a.txt"_s, 1).isEmpty());
            QVERIFY(!r.accepted(u"b.txt"_s, 1).isEmpty());
            QVERIFY(r.accepted(u"c.txt"_s, 1).isEmpty());
            QVERIFY(r.answers.requests.constLast().startsWith("<no_accept_file>\r\n"));
            QVERIFY(r.receiver.events().constLast().contains(u"слишком много неиспользованных согласий"_s));
        }
        // Files in one offer.
        {
            Receiving r(u"127.0.0.126"_s, u"127.0.0.125"_s,
                        [](TransferConfig& c) { c.maxFilesPerOffer = 3; });
            sendRaw(u"127.0.0.125"_s, r.receiver.address(), r.port,
                    Codec::buildRequest(
                        Codec::Header::QueryFiles,
                        Protocol::listOfferBody(u"x"_s, {u"1"_s, u"2"_s, u"3"_s, u"4"_s}, {1, 1, 1, 1})));
            QTRY_COMPARE_WITH_TIMEOUT(r.answers.requests.size(), 1, kTimeoutMs);
            QCOMPARE(r.answers.requests.constFirst(), "<no_accept_files>\r\n"_ba);
        }
        // Streams at once from one peer: the next one waits for its turn, unread.
        {
            Receiving r(u"127.0.0.128"_s, u"127.0.0.127"_s,
                        [](TransferConfig& c) { c.maxStreamsPerPeer = 1; });
            const QString first = r.accepted(u"first.bin"_s, 10);
            const QString second = r.accepted(u"second.bin"_s, 10);
            const auto open =
                sendRaw(u"127.0.0.127"_s, r.receiver.address(), r.port, stream(first, 10, "12345"), false);
            QTRY_COMPARE_WITH_TIMEOUT(r.receiver.transferHost.transfers.size(), 1, kTimeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(r.receiver.transferHost.transfers.constFirst()->hasStarted(),
                                     kTimeoutMs);
            const auto waiting = sendRaw(u"127.0.0.127"_s, r.receiver.address(), r.port,
                                         stream(second, 10, "abcdefghij"), true);
            QTRY_COMPARE_WITH_TIMEOUT(r.receiver.transferHost.transfers.size(), 2, kTimeoutMs);
            QTest::qWait(300);
            QVERIFY(!r.receiver.transferHost.transfers.at(1)->hasStarted());
            QVERIFY(!QFileInfo::exists(second));
            open->write("67890");
            open->disconnectFromHost();
            QTRY_COMPARE_WITH_TIMEOUT(readAll(first), "1234567890"_ba, kTimeoutMs);
            QTRY_COMPARE_WITH_TIMEOUT(readAll(second), "abcdefghij"_ba, kTimeoutMs);
        }
    }
};

QTEST_GUILESS_MAIN(TestTransferSafety)
#include "test_transfersafety.moc"
