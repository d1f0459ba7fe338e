// Real copies of the program on 127.0.0.x, each with its own data folders: messages, beeps,
// failures and the black list as two peers see them.

#include "app/programrunner.h"

#include <QDir>
#include <QFile>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString computerName()
{
    return QSysInfo::machineHostName().section(u'.', 0, 0);
}

// Collects what a running copy prints.
struct Output {
    QByteArray out;
    QByteArray err;
    void read(QProcess& p)
    {
        out += p.readAllStandardOutput();
        err += p.readAllStandardError();
    }
};

} // namespace

class TestE2eMessaging final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messageBeepAndFailure()
    {
        ProgramRunner sender;
        ProgramRunner receiver;
        QVERIFY(receiver.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.32"_s}, true));
        Output seen;

        const QString text = u"Привет\r\nкак дела? </b> -- ё"_s;
        QByteArray err;
        QCOMPARE(sender.runToEnd({u"--send"_s, u"127.0.0.32"_s, text, u"--bind"_s, u"127.0.0.31"_s}, nullptr,
                                 &err),
                 0);
        const QByteArray expectedLine =
            (computerName() + u" ["_s).toUtf8(); // followed by the time and the escaped text
        QTRY_VERIFY_WITH_TIMEOUT((seen.read(receiver.instance()), seen.out.contains('\n')), 10000);
        QVERIFY2(seen.out.startsWith(expectedLine), seen.out.constData());
        QVERIFY2(seen.out.trimmed().endsWith(u"]: Привет\\r\\nкак дела? </b> -- ё"_s.toUtf8()),
                 seen.out.constData());

        // The history log holds the text exactly, line break included.
        const QString log = receiver.logsDir() + u'/' + computerName() + u".log"_s;
        const QByteArray history = readFile(log);
        QVERIFY(history.startsWith("\xEF\xBB\xBF"));
        QVERIFY2(history.endsWith(("]: "_L1 + text + "\r\n"_L1).toUtf8()), history.constData());
        QVERIFY(history.contains((computerName() + u" ["_s).toUtf8()));

        // A beep is heard (reported on standard error by the headless mode).
        QCOMPARE(sender.runToEnd({u"--beep"_s, u"127.0.0.32"_s, u"--bind"_s, u"127.0.0.31"_s}), 0);
        QTRY_VERIFY_WITH_TIMEOUT((seen.read(receiver.instance()), seen.err.contains("beep 500 Hz 100 ms")),
                                 10000);

        // Nobody listens at .39: the failure is reported with a non-zero exit code.
        QCOMPARE(sender.runToEnd({u"--send"_s, u"127.0.0.39"_s, u"x"_s, u"--bind"_s, u"127.0.0.31"_s},
                                 nullptr, &err),
                 1);
        QVERIFY2(err.contains("127.0.0.39"), err.constData());
        QCOMPARE(err.count('\n'), 1);

        QCOMPARE(receiver.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(receiver.waitForInstanceEnd(), 0);
    }

    // A sender name and date full of line breaks and terminal codes cannot forge lines in
    // the headless output: each message stays one line, with every control character escaped.
    void forgedFieldsStayOnTheirLine()
    {
        ProgramRunner receiver;
        QVERIFY(receiver.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.36"_s}, true));
        QTcpSocket socket;
        QVERIFY(socket.bind(QHostAddress(u"127.0.0.37"_s)));
        socket.connectToHost(QHostAddress(u"127.0.0.36"_s), 2012);
        QVERIFY(socket.waitForConnected(10000));
        socket.write("<VTL_MESSAGE>\r\n<FROM>pc\r\nforged [1]: \x1b[2J\x07</FROM><DATE>d\rx\x00</DATE>"
                     "<MESSAGE>text\x1b]0;title\x07</MESSAGE>"_ba);
        socket.disconnectFromHost();
        QVERIFY(socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(10000));
        Output seen;
        QTRY_VERIFY_WITH_TIMEOUT((seen.read(receiver.instance()), seen.out.contains('\n')), 10000);
        QTest::qWait(200);
        seen.read(receiver.instance());
        QCOMPARE(seen.out.count('\n'), 1);
        QCOMPARE(seen.out, "pc\\r\\nforged [1]: \\x1B[2J\\x07 [d\\rx\\x00]: text\\x1B]0;title\\x07\n"_ba);
        for (const char c : seen.out.chopped(1))
            QVERIFY(static_cast<unsigned char>(c) >= 0x20);
        QCOMPARE(receiver.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(receiver.waitForInstanceEnd(), 0);
    }

    void contactNamesComeFromTheList()
    {
        ProgramRunner sender;
        ProgramRunner receiver;
        // The receiver knows the sender's computer as "Вася" in a group of its list.
        const QByteArray list =
            "\xEF\xBB\xBF[Коллеги]\r\n\t" + computerName().toUtf8() + ";Вася;127.0.0.35;1\r\n";
        QVERIFY(writeFile(receiver.baseDir() + u"/compnames.vtl"_s, list));
        QVERIFY(receiver.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.36"_s}, true));
        Output seen;
        QCOMPARE(sender.runToEnd({u"--send"_s, u"127.0.0.36"_s, u"hi"_s, u"--bind"_s, u"127.0.0.35"_s}), 0);
        QTRY_VERIFY_WITH_TIMEOUT((seen.read(receiver.instance()), seen.out.contains('\n')), 10000);
        QVERIFY2(seen.out.startsWith(u"Вася ["_s.toUtf8()), seen.out.constData());
        QVERIFY(readFile(receiver.logsDir() + u"/Вася.log"_s).endsWith("]: hi\r\n"));
        QCOMPARE(readFile(receiver.baseDir() + u"/compnames.vtl"_s), list);

        QCOMPARE(receiver.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(receiver.waitForInstanceEnd(), 0);
    }

    void blackListedSenderIsRefused()
    {
        ProgramRunner sender;
        ProgramRunner receiver;
        // The sender announces itself as "127.0.0.33", a name the receiver has black-listed.
        QVERIFY(writeFile(sender.settingsFile(),
                          "[fmConfig]\r\ndxCheckbox_From_Checked=TRUE\r\nEdit_From_Text=127.0.0.33\r\n"));
        QVERIFY(writeFile(receiver.settingsFile(),
                          "[fmConfig\\ListBox_BlackList_Items]\r\nCount=1\r\nItem0=127.0.0.33\r\n"));
        QVERIFY(sender.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.33"_s}, true));
        QVERIFY(receiver.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.34"_s}, true));
        Output atSender;
        Output atReceiver;

        QCOMPARE(sender.runToEnd({u"--send"_s, u"127.0.0.34"_s, u"secret"_s, u"--bind"_s, u"127.0.0.33"_s}),
                 0);
        // The refusal comes back to the sender as its own request.
        QTRY_VERIFY_WITH_TIMEOUT((atSender.read(sender.instance()),
                                  atSender.err.contains(u"Передача на 127.0.0.34 запрещена."_s.toUtf8())),
                                 10000);
        atReceiver.read(receiver.instance());
        QVERIFY2(atReceiver.out.isEmpty(), atReceiver.out.constData());
        const QStringList logs = QDir(receiver.logsDir()).entryList({u"*.log"_s}, QDir::Files);
        QCOMPARE(logs, QStringList{u"VantrelMsg.log"_s});

        QCOMPARE(sender.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(receiver.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(sender.waitForInstanceEnd(), 0);
        QCOMPARE(receiver.waitForInstanceEnd(), 0);
    }
};

QTEST_GUILESS_MAIN(TestE2eMessaging)
#include "test_e2e_messaging.moc"
