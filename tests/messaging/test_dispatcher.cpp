#include "core/datetimetext.h"
#include "engineharness.h"
#include "messaging/blacklist.h"
#include "messaging/historylog.h"
#include "messaging/listener.h"
#include "messaging/messageprocessor.h"
#include "messaging/protocolcodec.h"
#include "messaging/requesthandler.h"
#include "messaging/tcpcommandsender.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
namespace Codec = vantrel::ProtocolCodec;
using Level = MessagingHost::BalloonLevel;

Q_DECLARE_METATYPE(vantrel::MessagingHost::BalloonLevel)

namespace {

QByteArray message(const QString& from, const QString& text)
{
    return Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text));
}

const QString kNow = DateTimeText(EngineHarness::fixedNow());
const QString kTime = MessageProcessor::timeOf(kNow);

// Records what reaches the status and transfer handler.
class RecordingHandler final : public RequestHandler {
public:
    class Sink final : public StreamSink {
    public:
        explicit Sink(RecordingHandler& owner)
            : m_owner(owner)
        {}
        bool adoptConnection(qintptr descriptor, const QByteArray& alreadyRead) override
        {
            if (!m_owner.adopt)
                return false;
            // The rest of the stream is read from the connection itself; the sink itself goes.
            RecordingHandler* owner = &m_owner;
            owner->streamed.append(alreadyRead);
            m_owner.adopted = std::make_unique<QTcpSocket>();
            QTcpSocket* socket = m_owner.adopted.get();
            if (!socket->setSocketDescriptor(descriptor))
                return false;
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [owner, socket] { owner->streamed.append(socket->readAll()); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [owner] { owner->complete = true; });
            return true;
        }
        void write(QByteArrayView bytes) override { m_owner.streamed.append(bytes); }
        void finish(bool complete, const QString&) override { m_owner.complete = complete; }

    private:
        RecordingHandler& m_owner;
    };

    void statusReceived(const QString& item, const QString&) override { calls.append(item); }
    void fileOfferReceived(const QString& line, const QString&) override { calls.append(line); }
    void filesOfferReceived(const QString& body, const QString&) override { calls.append(body); }
    void imageOfferReceived(const QString& line, const QString&) override { calls.append(line); }
    void writeFileReceived(const QString& item, const QString&) override { calls.append(item); }
    std::unique_ptr<StreamSink> fileStreamStarting(const QString& line, const QString&) override
    {
        calls.append(line);
        return std::make_unique<Sink>(*this);
    }

    QStringList calls;
    QByteArray streamed;
    bool complete = false;
    bool adopt = false;
    std::unique_ptr<QTcpSocket> adopted;
};

} // namespace

class TestDispatcher final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void presentsAndRecordsAMessage()
    {
        EngineHarness h;
        h.contacts.add(u"Вася"_s, u"PC-12"_s);
        const QString text = u"Привет\r\nкак дела?"_s;
        deliver(h, message(u"PC-12"_s, text));

        QCOMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].contact, u"Вася"_s);
        QCOMPARE(h.host.presented[0].time, kTime);
        QCOMPARE(h.host.presented[0].text, text);
        // "Открывать окно" is off by default: the window waits and the tray flashes.
        QCOMPARE(h.host.popups, (QList<QPair<QString, bool>>{{u"Вася"_s, true}}));
        QCOMPARE(h.host.lines.size(), 2);
        QCOMPARE(h.host.lines[0].text, u"Вася ["_s + kTime + u"]:"_s);
        QVERIFY(h.host.lines[0].bold && !h.host.lines[1].bold);
        QCOMPARE(h.host.lines[0].rgb, 0x000080u);
        QCOMPARE(h.host.lines[1].text, text);
        // Default settings: history and sound file on; balloon and speaker off.
        QVERIFY(h.history(u"Вася"_s).endsWith(u"\r\n\r\nВася ["_s + kNow + u"]: "_s + text + u"\r\n"_s));
        QCOMPARE(h.sound.played, QStringList{h.settings.fmConfig.FilenameEdit_PlaySound_FileName.value()});
        QVERIFY(h.speaker.beeps.isEmpty() && h.host.balloons.isEmpty() && h.events().isEmpty());

        // A beep rings the speaker whatever its setting, and plays the sound file.
        deliver(h, "<beep>\r\n"_ba);
        QCOMPARE(h.speaker.beeps, (QList<QPair<int, int>>{{500, 100}}));
        QCOMPARE(h.sound.played.size(), 2);
        QCOMPARE(h.host.presented.size(), 1);
    }

    void notificationsFollowTheSettings()
    {
        EngineHarness h;
        auto& config = h.settings.fmConfig;
        config.dxCheckbox_Notifications_Checked.setValue(true);
        config.dxCheckbox_SpeakerSound_Checked.setValue(true);
        config.dxCheckbox_PlaySound_Checked.setValue(false);
        config.CheckBox_Popup_Checked.setValue(true);
        config.dxCheckbox_History_Checked.setValue(false);
        deliver(h, message(u"pc1"_s, u"hi"_s));

        QCOMPARE(h.host.popups, (QList<QPair<QString, bool>>{{u"pc1"_s, false}}));
        QCOMPARE(h.host.balloons.size(), 1);
        QCOMPARE(h.host.balloons[0].title, u"pc1 ["_s + kTime + u"]:"_s);
        QCOMPARE(h.host.balloons[0].text, u"hi"_s);
        QCOMPARE(h.speaker.beeps, (QList<QPair<int, int>>{{500, 100}}));
        QVERIFY(h.sound.played.isEmpty());
        QVERIFY(!QFile::exists(h.engine->history().pathFor(u"pc1"_s)));
    }

    void joinsContinuedPieces()
    {
        EngineHarness h;
        deliver(h, message(u"pc1"_s, u"a-->"_s));
        deliver(h, message(u"pc1"_s, u"b-->"_s));
        // A text that is exactly the mark adds nothing and shows nothing.
        deliver(h, message(u"pc1"_s, u"-->"_s));
        QCOMPARE(h.engine->messages().pendingPieces(u"127.0.0.1"_s, u"pc1"_s), u"ab"_s);
        QVERIFY(h.host.presented.isEmpty() && h.host.lines.isEmpty());
        QVERIFY(!QFile::exists(h.engine->history().pathFor(u"pc1"_s)));

        deliver(h, message(u"pc1"_s, u"c"_s));
        QCOMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text, u"abc"_s);
        QCOMPARE(h.engine->messages().pendingSenders(), 0);
        const QString log = h.history(u"pc1"_s);
        QCOMPARE(log.count(u"]: "_s), 1);
        QVERIFY(log.endsWith(u"]: abc\r\n"_s));
    }

    // Pieces are joined per sender: another peer's message in between is its own, and the
    // pieces of each sender end up in that sender's message only.
    void joinsPiecesPerSender()
    {
        EngineHarness h;
        const QHostAddress second(u"127.0.0.2"_s);
        deliver(h, message(u"pc1"_s, u"a-->"_s));
        deliver(h, message(u"pc2"_s, u"x-->"_s), second);
        // The same FROM from another address is another sender.
        deliver(h, message(u"pc1"_s, u"other"_s), second);
        deliver(h, message(u"pc2"_s, u"y"_s), second);
        deliver(h, message(u"PC1"_s, u"b"_s));
        QCOMPARE(h.host.presented.size(), 3);
        QCOMPARE(h.host.presented[0].text, u"other"_s);
        QCOMPARE(h.host.presented[1].text, u"xy"_s);
        QCOMPARE(h.host.presented[2].text, u"ab"_s);
        QCOMPARE(h.engine->messages().pendingSenders(), 0);
    }

    // Joined texts are bounded: one that reaches the limit is presented as it stands, and the
    // oldest sender's pieces go out when too many senders have pieces waiting.
    void joinedTextsAreBounded()
    {
        EngineHarness h;
        const QString piece(MessageProcessor::MaxJoinedChars / 2, u'ж');
        deliver(h, message(u"big"_s, piece + u"-->"_s));
        QVERIFY(h.host.presented.isEmpty());
        deliver(h, message(u"big"_s, piece + u"-->"_s));
        QCOMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text.size(), 2 * piece.size());
        QCOMPARE(h.engine->messages().pendingSenders(), 0);
        QVERIFY(h.history(u"big"_s).endsWith(piece + u"\r\n"_s));

        for (int i = 0; i <= MessageProcessor::MaxPendingSenders; ++i)
            deliver(h, message(u"s"_s + QString::number(i), u"p"_s + QString::number(i) + u"-->"_s));
        QCOMPARE(h.engine->messages().pendingSenders(), MessageProcessor::MaxPendingSenders);
        QCOMPARE(h.host.presented.size(), 2);
        QCOMPARE(h.host.presented[1].contact, u"s0"_s);
        QCOMPARE(h.host.presented[1].text, u"p0"_s);
    }

    void readsFieldsAsTheyStand()
    {
        EngineHarness h;
        // A text holding its own closing tag is cut there.
        deliver(h, "<VTL_MESSAGE>\r\n<FROM>pc1</FROM><MESSAGE>x</MESSAGE>y</MESSAGE>\r\n"_ba);
        // A body carrying its own DATE: that one is used, time and history alike.
        deliver(
            h,
            "<VTL_MESSAGE>\r\n<FROM>pc2</FROM><MESSAGE>m</MESSAGE><DATE>01.02.2020 10:11:12</DATE>\r\n"_ba);
        // A DATE without a blank is the time as a whole.
        deliver(h, "<VTL_MESSAGE>\r\n<DATE>nodate</DATE><FROM>pc3</FROM><MESSAGE>n</MESSAGE>\r\n"_ba);
        QCOMPARE(h.host.presented.size(), 3);
        QCOMPARE(h.host.presented[0].text, u"x"_s);
        QCOMPARE(h.host.presented[1].time, u"10:11:12"_s);
        QVERIFY(h.history(u"pc2"_s).endsWith(u"pc2 [01.02.2020 10:11:12]: m\r\n"_s));
        QCOMPARE(h.host.presented[2].time, u"nodate"_s);
    }

    void blackListAddressesAreStrictDottedQuads()
    {
        QCOMPARE(BlackListAddress(u"192.168.0.7"_s), std::optional<quint32>(0xC0A80007));
        QCOMPARE(BlackListAddress(u" 10.0.0.1\t"_s), std::optional<quint32>(0x0A000001));
        QCOMPARE(BlackListAddress(u"0.0.0.0"_s), std::optional<quint32>(0));
        for (const QString& name : {u"PC7"_s, u"192.168.0"_s, u"192.168.0.7.1"_s, u"192.168.0.256"_s,
                                    u"192.168..7"_s, u"1921.68.0.7"_s, u"192.168.0.x"_s, u""_s})
            QVERIFY2(!BlackListAddress(name), qPrintable(name));

        const QStringList list{u"PC7"_s, u"10.0.0.9"_s};
        QVERIFY(IsAddressInBlackList(list, u"10.0.0.9"_s));
        // The listener may see an IPv4 peer as a mapped IPv6 address.
        QVERIFY(IsAddressInBlackList(list, u"::ffff:10.0.0.9"_s));
        QVERIFY(!IsAddressInBlackList(list, u"10.0.0.90"_s));
        QVERIFY(!IsAddressInBlackList(list, u"PC7"_s));
        QVERIFY(!IsAddressInBlackList({}, u"10.0.0.9"_s));
    }

    void blackListMatchesWithoutRegardToCase()
    {
        const QLocale ru(QLocale::Russian);
        QVERIFY(!IsInBlackList({}, u"pc"_s, ru));
        QVERIFY(IsInBlackList({u"pc-1"_s, u"Бухгалтерия"_s}, u"БУХГАЛТЕРИЯ"_s, ru));
        QVERIFY(!IsInBlackList({u"pc-1"_s}, u"pc-10"_s, ru));
        // A failed reverse lookup (an empty name) is refused only by an empty entry.
        QVERIFY(!IsInBlackList({u"pc"_s}, QString(), ru));
        QVERIFY(IsInBlackList({QString()}, QString(), ru));
    }

    void answersRaiseBalloons_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Level>("level");
        QTest::newRow("black list") << "<in_black_list>\r\n"_ba << u"Передача на Петя запрещена."_s
                                    << Level::Error;
        QTest::newRow("file")
            << (u"<no_accept_file>\r\n<FILE>C:\\Мои документы\\x/отчёт 1.doc</FILE>\r\n"_s).toUtf8()
            << u"Петя отказался принять файл \"отчёт 1.doc\""_s << Level::Warning;
        QTest::newRow("saved") << "<files_saved>\r\n"_ba << u"Передача файлов для Петя завершена."_s
                               << Level::Information;
    }
    void answersRaiseBalloons()
    {
        QFETCH(QByteArray, request);
        QFETCH(QString, text);
        QFETCH(Level, level);
        EngineHarness h;
        h.contacts.add(u"Петя"_s, u"127.0.0.1"_s);
        deliver(h, request);
        QCOMPARE(h.host.balloons.size(), 1);
        QCOMPARE(h.host.balloons[0].title, u"Vantrel"_s);
        QCOMPARE(h.host.balloons[0].text, text);
        QCOMPARE(h.host.balloons[0].level, level);
        QCOMPARE(h.events(), QStringList());
    }

    // Without a handler the later requests are logged; offers stay unanswered (a window will
    // ask the user) unless offers are refused, as the headless mode does.
    void unhandledRequestsAreLoggedOrRefused()
    {
        const QList<QByteArray> requests{
            "<VTL_QUERY_FILE>\r\n<FROM>pc</FROM><FILE>C:\\a.txt</FILE><FILE_SIZE>5</FILE_SIZE>\r\n"_ba,
            "<VTL_QUERY_FILES>\r\n<FROM>pc</FROM><FILES>C:\\a\r\nC:\\b\r\n</FILES>\r\n"_ba,
            "<VTL_IMAGE>\r\n<FROM>pc</FROM><FILE>C:\\p.jpg</FILE>\r\n"_ba,
            "<STATUS>\r\n<CODE>1</CODE><FROM>pc</FROM>\r\n"_ba,
            "<VTL_WRITE_FILE>\r\n<SOURCE_FILE>C:\\a</SOURCE_FILE>\r\n"_ba,
            "<VTL_FILE>\r\n<FROM>pc</FROM><FILE_SIZE>4</FILE_SIZE>\r\nDATA"_ba};
        for (const bool refuse : {false, true}) {
            EngineHarness h({}, refuse);
            for (const QByteArray& request : requests)
                deliver(h, request);
            if (refuse) {
                // One refusal per address and interval: the other two are dropped.
                QTRY_COMPARE(h.answers.requests.size(), 1);
                QCOMPARE(h.answers.requests[0], "<no_accept_file>\r\n<FILE>C:\\a.txt</FILE>\r\n"_ba);
                QCOMPARE(h.engine->commands().droppedAnswers(), 2);
                continue;
            }
            const QStringList events = h.events();
            QCOMPARE(events.size(), requests.size());
            for (qsizetype i = 0; i < events.size(); ++i) {
                QVERIFY2(events[i].startsWith(u"Information | 127.0.0.1: "_s) &&
                             events[i].contains(QString::fromUtf8(requests[i].split('\r')[0])),
                         qPrintable(events[i]));
            }
            QTest::qWait(100);
            QVERIFY(h.answers.requests.isEmpty());
        }
    }

    void handlerReceivesCompleteRequests()
    {
        EngineHarness h;
        RecordingHandler handler;
        h.engine->setRequestHandler(handler);
        deliver(h, "<STATUS>\r\n<CODE>2</CODE><FROM>pc</FROM>\r\n"_ba);
        deliver(h, "<VTL_WRITE_FILE>\r\n<SOURCE_FILE>C:\\a\r\nC:\\b\r\n</SOURCE_FILE>\r\n"_ba);
        QByteArray data;
        for (int i = 0; i < 20000; ++i)
            data.append(char(i % 251));
        deliver(h, "<VTL_FILE>\r\n<FROM>pc</FROM><FILE_SIZE>20000</FILE_SIZE>\r\n"_ba + data);
        QCOMPARE(handler.calls,
                 (QStringList{u"<CODE>2</CODE><FROM>pc</FROM><HOST>127.0.0.1</HOST>"_s,
                              u"<SOURCE_FILE>C:\\a\r\nC:\\b\r\n</SOURCE_FILE>\r\n<HOST>127.0.0.1</HOST>"_s,
                              u"<FROM>pc</FROM><FILE_SIZE>20000</FILE_SIZE>"_s}));
        QCOMPARE(handler.streamed, data);
        QVERIFY(handler.complete);
        QCOMPARE(h.events(), QStringList());
    }

    // A sink may take the stream's connection over: it gets every byte, the listener lets go
    // of the connection at once, and the peer sees nothing of the hand-over.
    void streamConnectionCanBeTakenOver()
    {
        EngineHarness h;
        RecordingHandler handler;
        handler.adopt = true;
        h.engine->setRequestHandler(handler);
        QByteArray data;
        for (int i = 0; i < 300000; ++i)
            data.append(char(i % 253));
        const auto client = connectClient(h.port());
        client->write("<VTL_FILE>\r\n<FROM>pc</FROM>\r\n"_ba + data.left(1000));
        QTRY_VERIFY(handler.adopted);
        QTRY_COMPARE(h.engine->listener().connectionCount(), 0);
        client->write(data.mid(1000));
        client->disconnectFromHost();
        QTRY_VERIFY(handler.complete);
        QCOMPARE(handler.streamed.size(), data.size());
        QCOMPARE(handler.streamed, data);
        QCOMPARE(h.events(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDispatcher)
#include "test_dispatcher.moc"
