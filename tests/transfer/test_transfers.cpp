// Two transfer engines on loopback exchange files and pictures over real connections: offers,
// questions, acceptances, the data streams, and the lines both sides write.

#include "messaging/protocolcodec.h"
#include "transfer/outgoingtransfer.h"
#include "transfer/transfer.h"
#include "transfer/transferprotocol.h"
#include "transferpeer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
using Kind = TransferHost::Question::Kind;

namespace {

constexpr int kTimeoutMs = 20000;

bool sameFile(const QString& path, const QByteArray& expected)
{
    return QFileInfo(path).isFile() && readAll(path) == expected;
}

} // namespace

class TestTransfers final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void oneFileFromAContactArrivesWithoutAQuestion()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.21"_s, port);
        TransferPeer receiver(u"127.0.0.22"_s, port);
        sender.contacts.add(u"Получатель"_s, u"127.0.0.22"_s);
        receiver.contacts.add(u"Отправитель"_s, u"127.0.0.21"_s);
        receiver.contacts.add(u"Отправитель"_s, u"PC-127.0.0.21"_s);
        receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(true);
        // An executable source, with nothing masked: what arrives can still not be run.
        const QString source = sender.makeFile(u"отчёт за год.bin"_s, 3 * 1024 * 1024 + 17);
        QFile::setPermissions(source, QFile::permissions(source) | QFile::ExeOwner | QFile::ExeGroup |
                                          QFile::ExeOther);

        sender.transfers->offerFiles({u"127.0.0.22"_s}, {source});
        const QString folder = receiver.receiveFolder() + u"/Отправитель"_s;
        const QString destination = folder + u"/отчёт за год.bin"_s;
        QTRY_VERIFY_WITH_TIMEOUT(receiver.host.lines.size() >= 2, kTimeoutMs);
        QVERIFY(sameFile(destination, pattern(3 * 1024 * 1024 + 17, 'a')));
        QVERIFY(receiver.transferHost.questions.isEmpty());
        QCOMPARE(QFileInfo(destination).permissions() &
                     (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther | QFile::ExeUser),
                 QFileDevice::Permissions());
        QVERIFY(!hasTemporaryFiles(folder));

        // The receiver's window is announced with the clickable link; its log has the entry.
        const QString link = u"file:"_s + QString(destination).replace(u' ', u"%20"_s);
        QCOMPARE(receiver.host.popups.last(), qMakePair(u"Отправитель"_s, true));
        QVERIFY(receiver.host.lines.at(0).text.startsWith(u"↓ ["_s));
        QCOMPARE(receiver.host.lines.at(1).text, u"Принят файл \"отчёт за год.bin\" "_s + link);
        QCOMPARE(receiver.host.lines.at(1).rgb, 0x008000u);
        QVERIFY(receiver.history(u"Отправитель"_s)
                    .endsWith(u"]: Принят файл \"отчёт за год.bin\" "_s + link + u"\r\n"_s));

        // The sender writes its own line once the file is through.
        QTRY_VERIFY_WITH_TIMEOUT(sender.host.lines.size() >= 2, kTimeoutMs);
        QVERIFY(sender.host.lines.at(0).text.startsWith(u"↑ ["_s));
        QCOMPARE(sender.host.lines.at(1).text, u"Передан файл \""_s + source + u'"');
        QVERIFY(sender.history(u"Получатель"_s).contains(u"]: Передан файл \""_s + source + u"\"\r\n"_s));
        QTRY_COMPARE_WITH_TIMEOUT(sender.transfers->activeTransfers(), 0, kTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.transfers->activeTransfers(), 0, kTimeoutMs);
        QVERIFY(sender.host.balloons.isEmpty() && receiver.host.balloons.isEmpty());
    }

    void elevenFilesAfterTheQuestion()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.23"_s, port);
        TransferPeer receiver(u"127.0.0.24"_s, port);
        receiver.transferHost.decide = [](const TransferHost::Question&) {
            return TransferHost::Answer{true, {}};
        };
        QStringList files;
        QList<QByteArray> contents;
        for (int i = 0; i < 11; ++i) {
            const qint64 size = i == 0 ? 0 : 1000 * i * i + i;
            files.append(sender.makeFile(u"файл %1.txt"_s.arg(i), size, char('a' + i)));
            contents.append(pattern(size, char('a' + i)));
        }
        sender.transfers->offerFiles({u"127.0.0.24"_s}, files);

        QTRY_COMPARE_WITH_TIMEOUT(receiver.transferHost.questions.size(), 1, kTimeoutMs);
        const TransferHost::Question& question = receiver.transferHost.questions.constFirst();
        QCOMPARE(question.kind, Kind::Files);
        QCOMPARE(question.title, u"Запрос на передачу файлов"_s);
        QVERIFY(question.text.startsWith(u"PC-127.0.0.23 предлагает принять файлы (11 шт. "_s));
        QStringList names;
        for (int i = 0; i < 10; ++i)
            names.append(u"файл %1.txt"_s.arg(i));
        QVERIFY2(question.text.endsWith(u"):\r\n"_s + names.join(u"\r\n"_s) +
                                        u"\r\n..........\r\n\r\nПринять файлы?"_s),
                 qPrintable(question.text));
        QVERIFY(!question.text.contains(u"файл 10.txt"_s));

        const QString folder = receiver.receiveFolder() + u"/PC-127.0.0.23"_s;
        QTRY_COMPARE_WITH_TIMEOUT(receiver.history(u"PC-127.0.0.23"_s).count(u"Принят файл"_s), 11,
                                  kTimeoutMs);
        for (int i = 0; i < 11; ++i)
            QVERIFY2(sameFile(folder + u"/файл %1.txt"_s.arg(i), contents.at(i)), qPrintable(files.at(i)));
        // One sending transfer for the whole set, every file counted.
        QCOMPARE(sender.transferHost.transfers.size(), 1);
        const Transfer& sending = *sender.transferHost.transfers.constFirst();
        QCOMPARE(sending.direction(), Transfer::Direction::Sending);
        QCOMPARE(sending.fileCount(), 11);
        QTRY_VERIFY_WITH_TIMEOUT(sending.isFinished(), kTimeoutMs);
        QCOMPARE(sending.filesDone(), 11);
        QCOMPARE(receiver.transferHost.transfers.size(), 11);
    }

    void aChosenDestinationIsWhereTheFileGoes()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.25"_s, port);
        TransferPeer receiver(u"127.0.0.26"_s, port);
        receiver.settings.fmConfig.Checkbox_AutoFolder_Checked.setValue(false);
        receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(false);
        const QString chosen = receiver.dir.path() + u"/Elsewhere/renamed.dat"_s;
        QDir().mkpath(QFileInfo(chosen).path());
        receiver.transferHost.decide = [&chosen](const TransferHost::Question&) {
            return TransferHost::Answer{true, chosen};
        };
        sender.transfers->offerFiles({u"127.0.0.26"_s}, {sender.makeFile(u"data.dat"_s, 70000, 'q')});
        QTRY_VERIFY_WITH_TIMEOUT(sameFile(chosen, pattern(70000, 'q')), kTimeoutMs);
        const TransferHost::Question& question = receiver.transferHost.questions.constFirst();
        QCOMPARE(question.kind, Kind::File);
        QVERIFY(question.chooseDestination);
        QCOMPARE(question.folder, receiver.receiveFolder() + u"/PC-127.0.0.25"_s);
        QCOMPARE(question.fileName, u"data.dat"_s);
        QCOMPARE(
            question.text,
            u"PC-127.0.0.25 предлагает принять файл \"data.dat\" (68,4 КБ)\r\n\r\nПринять файл?"_s.replace(
                u',', QLocale::system().decimalPoint()));
    }

    void refusalsAreShownToTheOfferer()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.27"_s, port);
        TransferPeer receiver(u"127.0.0.28"_s, port);
        sender.contacts.add(u"Коля"_s, u"127.0.0.28"_s);
        receiver.transferHost.decide = [](const TransferHost::Question&) { return TransferHost::Answer{}; };
        const QString one = sender.makeFile(u"один.txt"_s, 10);
        sender.transfers->offerFiles({u"127.0.0.28"_s}, {one});
        sender.transfers->offerFiles({u"127.0.0.28"_s}, {one, sender.makeFile(u"два.txt"_s, 20)});
        sender.transfers->offerImage({u"127.0.0.28"_s}, sender.makeFile(u"вид.jpg"_s, 30));
        QTRY_COMPARE_WITH_TIMEOUT(sender.host.balloons.size(), 3, kTimeoutMs);
        QStringList texts;
        for (const auto& balloon : sender.host.balloons) {
            QCOMPARE(balloon.title, u"Vantrel"_s);
            QCOMPARE(balloon.level, MessagingHost::BalloonLevel::Warning);
            texts.append(balloon.text);
        }
        texts.sort();
        QCOMPARE(texts, (QStringList{u"Коля отказался принять картинку."_s,
                                     u"Коля отказался принять файл \"один.txt\""_s,
                                     u"Коля отказался принять файлы."_s}));
        QVERIFY(QDir(receiver.receiveFolder()).entryList(QDir::Files | QDir::Hidden, QDir::NoSort).isEmpty());
        QCOMPARE(receiver.transfers->waitingQuestions(), 0);
    }

    void aPictureIsAlwaysAskedForAndShownNotFiled()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.29"_s, port);
        TransferPeer receiver(u"127.0.0.30"_s, port);
        receiver.contacts.add(u"Друг"_s, u"127.0.0.29"_s);
        receiver.contacts.add(u"Друг"_s, u"PC-127.0.0.29"_s);
        receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(true);
        receiver.transferHost.decide = [](const TransferHost::Question&) {
            return TransferHost::Answer{true, {}};
        };
        const QString picture = sender.makeFile(u"Закат.JPG"_s, 150000, 'p');
        sender.transfers->offerImage({u"127.0.0.30"_s}, picture);

        QTRY_COMPARE_WITH_TIMEOUT(receiver.transferHost.pictures.size(), 1, kTimeoutMs);
        const TransferHost::Question& question = receiver.transferHost.questions.constFirst();
        QCOMPARE(question.kind, Kind::Image);
        QCOMPARE(question.title, u"Запрос на передачу картинки"_s);
        QVERIFY(question.text.startsWith(u"Друг предлагает принять картинку \"Закат.JPG\" ("_s));
        QVERIFY(question.text.endsWith(u")\r\n\r\nПринять картинку?"_s));
        const auto& received = receiver.transferHost.pictures.constFirst();
        QCOMPARE(received.contact, u"Друг"_s);
        QCOMPARE(received.bytes, pattern(150000, 'p'));
        // In a folder of its own inside the private pictures folder; nothing in the receive folder.
        QCOMPARE(QFileInfo(QFileInfo(received.path).path()).path(), receiver.dir.path() + u"/Pictures"_s);
        QCOMPARE(QFileInfo(received.path).fileName(), u"Закат.JPG"_s);
        QVERIFY(QDir(receiver.receiveFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
        QVERIFY(!receiver.history(u"Друг"_s).contains(u"Принят файл"_s));
        QVERIFY(receiver.host.lines.isEmpty());
        // The offerer reports it like a file.
        QTRY_VERIFY_WITH_TIMEOUT(sender.host.lines.size() >= 2, kTimeoutMs);
        QCOMPARE(sender.host.lines.at(1).text, u"Передан файл \""_s + picture + u'"');
    }

    // Offers to a name reach the address it stands for, and the acceptance from there is honoured.
    void offersByNameAreHonouredFromTheNamedAddress()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.31"_s, port);
        TransferPeer receiver(u"127.0.0.1"_s, port);
        receiver.transferHost.decide = [](const TransferHost::Question&) {
            return TransferHost::Answer{true, {}};
        };
        sender.transfers->offerFiles({u"localhost"_s}, {sender.makeFile(u"по имени.txt"_s, 4096, 'n')});
        QTRY_VERIFY_WITH_TIMEOUT(
            sameFile(receiver.receiveFolder() + u"/PC-127.0.0.31/по имени.txt"_s, pattern(4096, 'n')),
            kTimeoutMs);
    }

    // A file that cannot be opened fails alone: the others of the set arrive, the balloon names it.
    void aFailingFileOfASetFailsAlone()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.32"_s, port);
        TransferPeer receiver(u"127.0.0.33"_s, port);
        const QString first = sender.makeFile(u"1.txt"_s, 100, '1');
        const QString second = sender.makeFile(u"2.txt"_s, 200, '2');
        const QString third = sender.makeFile(u"3.txt"_s, 300, '3');
        sender.transfers->offerFiles({u"127.0.0.33"_s}, {first, second, third});
        QTRY_COMPARE_WITH_TIMEOUT(receiver.transferHost.questions.size(), 1, kTimeoutMs);
        QVERIFY(QFile::remove(second));
        receiver.transferHost.answerNext({true, {}});
        const QString folder = receiver.receiveFolder() + u"/PC-127.0.0.32"_s;
        // Each file has a connection and a worker of its own: they may end in any order.
        QTRY_VERIFY_WITH_TIMEOUT(sameFile(folder + u"/3.txt"_s, pattern(300, '3')), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(sameFile(folder + u"/1.txt"_s, pattern(100, '1')), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!sender.host.balloons.isEmpty(), kTimeoutMs);
        QCOMPARE(sender.host.balloons.constFirst().title, u"Передача \"2.txt\""_s);
        QCOMPARE(sender.host.balloons.constFirst().level, MessagingHost::BalloonLevel::Error);
        const Transfer& sending = *sender.transferHost.transfers.constFirst();
        QTRY_VERIFY_WITH_TIMEOUT(sending.isFinished(), kTimeoutMs);
        QCOMPARE(sending.filesDone(), 2);
        // The receiver saw the empty stream end early, said so and kept nothing of it.
        QTRY_VERIFY_WITH_TIMEOUT(!receiver.host.balloons.isEmpty(), kTimeoutMs);
        QVERIFY(receiver.host.balloons.constFirst().text.startsWith(u"Файл \"2.txt\" не принят: "_s));
        QTRY_VERIFY_WITH_TIMEOUT(receiver.transfers->activeTransfers() == 0, kTimeoutMs);
        QVERIFY(!QFileInfo::exists(folder + u"/2.txt"_s));
        QVERIFY(!hasTemporaryFiles(folder));
    }
};

QTEST_GUILESS_MAIN(TestTransfers)
#include "test_transfers.moc"
