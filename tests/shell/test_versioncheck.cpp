// The version check against a small HTTP server started by the test on loopback.

#include "common/testfiles.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "settings/settings.h"
#include "shell/updateinfo.h"
#include "shell/versioncheck.h"
#include "shell/versioncheckhost.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using vantrel::Settings;
using vantrel::UpdateInfo;
using vantrel::VersionCheck;

namespace {

constexpr int kTimeoutMs = 20000;
const QString kOwnVersion = u"1.2.3.4"_s;

// Answers each GET with the response stored for its path, or 404; a response is the whole
// bytes sent back, after which the connection is closed.
class HttpServer final : public QObject {
public:
    HttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    QString base() const { return u"http://127.0.0.1:%1"_s.arg(m_server.serverPort()); }
    void answer(const QString& path, const QByteArray& response) { m_responses.insert(path, response); }
    void answerText(const QString& path, const QByteArray& body)
    {
        answer(path, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    }
    QStringList requested;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        m_pending.remove(socket);
        const QString path = words.size() > 1 ? QString::fromLatin1(words.at(1)) : QString();
        requested.append(path);
        const QByteArray response = m_responses.value(
            path, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->write(response);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, QByteArray> m_responses;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

// The person in front of the windows: questions are recorded and answered by the test.
class Person final : public vantrel::VersionCheckHost {
public:
    struct Question {
        QString caption;
        QString text;
    };
    void askUpdate(const QString& caption, const QString& text, std::function<void(bool)> answered) override
    {
        questions.append({caption, text});
        pending = std::move(answered);
        if (autoAnswer)
            answer(*autoAnswer);
    }
    void openUrl(const QUrl& url) override { opened.append(url); }
    void answer(bool yes)
    {
        auto done = std::move(pending);
        pending = {};
        if (done)
            done(yes);
    }
    QList<Question> questions;
    QList<QUrl> opened;
    std::function<void(bool)> pending;
    std::optional<bool> autoAnswer;
};

// One start of the program: its settings, event log and base folder.
struct Start {
    explicit Start(const QString& base, const QString& server)
        : settings(base + u"/Conf/VantrelMsg.ini"_s)
        , log(writer, base + u"/Logs/VantrelMsg.log"_s)
    {
        settings.VTLForm.UpdateServer.setValue(server);
    }
    // Runs the check to its end (or until the question is asked).
    bool run(Person& person, const QString& base)
    {
        VersionCheck check(settings, log, person, base + u"/UpdInfo.txt"_s, kOwnVersion);
        QSignalSpy finished(&check, &VersionCheck::finished);
        check.start();
        return finished.wait(kTimeoutMs);
    }
    Settings settings;
    vantrel::LogWriter writer;
    vantrel::EventLog log;
};

const QString kInfoPath = u"/download/VantrelMsg/UpdInfo.txt"_s;

} // namespace

class TestVersionCheck final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_base = m_dir->path();
        QDir().mkpath(m_base + u"/Conf"_s);
        QDir().mkpath(m_base + u"/Logs"_s);
    }

    void theOwnVersionAsksNothing()
    {
        HttpServer server;
        server.answerText(kInfoPath, "Version=1.2.3.4\r\nUpdateDate=01.02.2027\r\n");
        Start start(m_base, server.base());
        Person person;
        QVERIFY(start.run(person, m_base));
        QCOMPARE(server.requested, QStringList{kInfoPath});
        QVERIFY(person.questions.isEmpty());
        QVERIFY(start.settings.VTLForm.NewVersion.value().isEmpty());
        QCOMPARE(readAll(m_base + u"/UpdInfo.txt"_s),
                 QByteArray("Version=1.2.3.4\r\nUpdateDate=01.02.2027\r\n"));
    }

    void aNewVersionIsOfferedOnce()
    {
        HttpServer server;
        server.answerText(kInfoPath, "version=1.3.0.0\r\nUPDATEDATE=05.03.2027\r\n");
        writeAll(m_base + u"/UpdInfo.txt"_s, "Version=0.0.0.1\r\n");
        {
            Start start(m_base, server.base() + u'/');
            Person person;
            VersionCheck check(start.settings, start.log, person, m_base + u"/UpdInfo.txt"_s, kOwnVersion);
            QSignalSpy finished(&check, &VersionCheck::finished);
            check.start();
            QTRY_COMPARE_WITH_TIMEOUT(person.questions.size(), 1, kTimeoutMs);
            QCOMPARE(person.questions.at(0).caption, u"Обновление Vantrel"_s);
            QCOMPARE(person.questions.at(0).text, u"Доступна новая версия Vantrel 1.3.0.0 от 05.03.2027.\r\n"
                                                  u"Хотите перейти на страницу загрузки сейчас?"_s);
            // The older copy of the file was replaced.
            QCOMPARE(readAll(m_base + u"/UpdInfo.txt"_s),
                     QByteArray("version=1.3.0.0\r\nUPDATEDATE=05.03.2027\r\n"));
            // Nothing is stored until the person has answered.
            QVERIFY(start.settings.VTLForm.NewVersion.value().isEmpty());
            QVERIFY(finished.isEmpty());
            person.answer(true);
            QCOMPARE(finished.size(), 1);
            QCOMPARE(person.opened, QList<QUrl>{QUrl(server.base() + u"/download/Doc/VantrelMsg.htm"_s)});
        }
        {
            // The next start: the same version is not offered again.
            Start start(m_base, server.base());
            QCOMPARE(start.settings.VTLForm.NewVersion.value(), u"1.3.0.0"_s);
            Person person;
            QVERIFY(start.run(person, m_base));
            QVERIFY(person.questions.isEmpty());
        }
        {
            // A later file with yet another version (even an older one) is offered; No opens
            // nothing but is remembered as well.
            server.answerText(kInfoPath, "Version=1.1.0.0\r\nUpdateDate=x\r\n");
            Start start(m_base, server.base());
            Person person;
            person.autoAnswer = false;
            QVERIFY(start.run(person, m_base));
            QCOMPARE(person.questions.size(), 1);
            QVERIFY(person.opened.isEmpty());
            QCOMPARE(start.settings.VTLForm.NewVersion.value(), u"1.1.0.0"_s);
        }
    }

    void failedDownloadsAreSilent_data()
    {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("closedPort");
        QTest::newRow("server unreachable") << QByteArray() << true;
        QTest::newRow("missing file") << QByteArray() << false;
        QByteArray big(10 * 1024 * 1024, 'x');
        big.prepend("Version=9.9.9.9\r\n");
        QTest::newRow("10 MiB with its length")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(big.size()) +
                          "\r\nConnection: close\r\n\r\n" + big)
            << false;
        QTest::newRow("10 MiB without a length")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big) << false;
        QByteArray justOver(VersionCheck::MaxBytes + 1, '\n');
        justOver.prepend("Version=9.9.9.9\r\n");
        justOver.truncate(VersionCheck::MaxBytes + 1);
        QTest::newRow("one byte over 64 KiB")
            << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + justOver) << false;
        QTest::newRow("redirect to another scheme")
            << QByteArray("HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\nContent-Length: 0\r\n"
                          "Connection: close\r\n\r\n")
            << false;
        QTest::newRow("server error")
            << QByteArray(
                   "HTTP/1.1 500 Oops\r\nContent-Length: 17\r\nConnection: close\r\n\r\nVersion=9.9.9.9\r\n")
            << false;
    }

    void failedDownloadsAreSilent()
    {
        QFETCH(QByteArray, response);
        QFETCH(bool, closedPort);
        HttpServer server;
        QString base = server.base();
        if (closedPort) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            base = u"http://127.0.0.1:%1"_s.arg(probe.serverPort());
        } else if (!response.isEmpty()) {
            server.answer(kInfoPath, response);
        }
        writeAll(m_base + u"/UpdInfo.txt"_s, "Version=0.0.0.1\r\n");
        Start start(m_base, base);
        Person person;
        QVERIFY(start.run(person, m_base));
        QVERIFY(person.questions.isEmpty());
        QVERIFY(start.settings.VTLForm.NewVersion.value().isEmpty());
        // The old copy stays and nothing is logged.
        QCOMPARE(readAll(m_base + u"/UpdInfo.txt"_s), QByteArray("Version=0.0.0.1\r\n"));
        QVERIFY(!QFile::exists(m_base + u"/Logs/VantrelMsg.log"_s));
    }

    void redirectsWithinTheWebAreFollowed()
    {
        HttpServer server;
        server.answer(kInfoPath,
                      QByteArray("HTTP/1.1 301 Moved\r\nLocation: " + server.base().toLatin1() +
                                 "/mirror/UpdInfo.txt\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"));
        server.answerText(u"/mirror/UpdInfo.txt"_s, "Version=2.0.0.0\r\nUpdateDate=сегодня\r\n");
        Start start(m_base, server.base());
        Person person;
        person.autoAnswer = false;
        QVERIFY(start.run(person, m_base));
        QCOMPARE(server.requested, (QStringList{kInfoPath, u"/mirror/UpdInfo.txt"_s}));
        QCOMPARE(person.questions.size(), 1);
        // Without a byte-order mark the file is Windows-1251: the UTF-8 bytes of "сегодня"
        // come out as other letters, but they come out.
        QVERIFY(person.questions.at(0).text.startsWith(u"Доступна новая версия Vantrel 2.0.0.0 от "_s));
    }

    void anEmptyServerSwitchesTheCheckOff()
    {
        HttpServer server;
        server.answerText(kInfoPath, "Version=9.9.9.9\r\n");
        Start start(m_base, u"  "_s);
        Person person;
        QVERIFY(start.run(person, m_base));
        QVERIFY(server.requested.isEmpty());
        QVERIFY(person.questions.isEmpty());
        QVERIFY(!QFile::exists(m_base + u"/UpdInfo.txt"_s));
        QCOMPARE(VersionCheck::infoUrl(u"https://host.example/"_s).toString(),
                 u"https://host.example/download/VantrelMsg/UpdInfo.txt"_s);
    }

    void theFileIsReadAsItsMarkSays()
    {
        // Windows-1251 without a mark.
        const QByteArray cp1251 = "UpdateDate=\xEC\xE0\xF0\xF2 2027\r\nVersion=1.0.0.1\r\n";
        QCOMPARE(UpdateInfo::parse(cp1251).updateDate, u"март 2027"_s);
        QCOMPARE(UpdateInfo::parse(cp1251).version, u"1.0.0.1"_s);
        // UTF-8 and UTF-16 with their marks.
        QCOMPARE(
            UpdateInfo::parse("\xEF\xBB\xBFVersion=3.0.0.0\nUpdateDate=\xD0\xBC\xD0\xB0\xD1\x80\xD1\x82\n")
                .updateDate,
            u"март"_s);
        QString utf16Text = u"Version=4.0.0.0\r\nUpdateDate=апрель\r\n"_s;
        QByteArray utf16le("\xFF\xFE");
        utf16le.append(reinterpret_cast<const char*>(utf16Text.utf16()), utf16Text.size() * 2);
        QCOMPARE(UpdateInfo::parse(utf16le).version, u"4.0.0.0"_s);
        QCOMPARE(UpdateInfo::parse(utf16le).updateDate, u"апрель"_s);
        QByteArray utf16be("\xFE\xFF");
        for (const QChar c : utf16Text) {
            utf16be.append(char(c.unicode() >> 8));
            utf16be.append(char(c.unicode() & 0xFF));
        }
        QCOMPARE(UpdateInfo::parse(utf16be).updateDate, u"апрель"_s);
        // The first line wins, names in any case, values untrimmed and cut at the first "=".
        const UpdateInfo info = UpdateInfo::parse("x=1\nVERSION= 5.0.0.0 \nVersion=6.0.0.0\nUpdateDate=a=b");
        QCOMPARE(info.version, u" 5.0.0.0 "_s);
        QCOMPARE(info.updateDate, u"a=b"_s);
        // No Version line: an empty version, which differs from the program's own.
        QVERIFY(UpdateInfo::parse("Versio=1\n").version.isEmpty());
        // A lone CR ends a line too: no value keeps a line break (found by fuzzing).
        const UpdateInfo crLines = UpdateInfo::parse("UpdateDate=VV=\r\r\nVersion=7.0.0.0\rx=1");
        QCOMPARE(crLines.updateDate, u"VV="_s);
        QCOMPARE(crLines.version, u"7.0.0.0"_s);
        // UTF-16 whose text starts with U+0000 is not taken for UTF-32 (found by fuzzing).
        QByteArray nulFirst("\xFF\xFE", 2);
        for (const QChar c : QStringView(u"\0V=\nVersion=9", 13)) {
            nulFirst.append(char(c.unicode() & 0xFF));
            nulFirst.append(char(c.unicode() >> 8));
        }
        QCOMPARE(UpdateInfo::parse(nulFirst).version, u"9"_s);
    }

    void aFileThatCannotBeStoredIsLogged()
    {
        HttpServer server;
        server.answerText(kInfoPath, "Version=7.0.0.0\r\n");
        Start start(m_base, server.base());
        Person person;
        // UpdInfo.txt is a folder: the download cannot replace it.
        QVERIFY(QDir().mkpath(m_base + u"/UpdInfo.txt"_s));
        QVERIFY(start.run(person, m_base));
        QVERIFY(person.questions.isEmpty());
        const QString log = QString::fromUtf8(readAll(m_base + u"/Logs/VantrelMsg.log"_s));
        QVERIFY2(log.contains(u" | Thread Error | JvThread_VersionCheck: "_s), qPrintable(log));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base;
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "test_versioncheck.moc"
