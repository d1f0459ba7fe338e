#include "app/commandline.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::CommandLine;

class TestCommandLine final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void switches_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("del");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("none") << QStringList{} << false << false << false;
        QTest::newRow("a") << QStringList{u"a"_s} << true << false << false;
        QTest::newRow("A any case") << QStringList{u"A"_s} << true << false << false;
        QTest::newRow("D") << QStringList{u"D"_s} << false << true << false;
        QTest::newRow("m") << QStringList{u"m"_s} << false << false << true;
        QTest::newRow("second ignored") << QStringList{u"a"_s, u"m"_s} << true << false << false;
        QTest::newRow("other first ignored") << QStringList{u"x"_s, u"a"_s} << false << false << false;
        QTest::newRow("word is not a switch") << QStringList{u"am"_s} << false << false << false;
        QTest::newRow("after options") << QStringList{u"--headless"_s, u"m"_s} << false << false << true;
    }
    void switches()
    {
        QFETCH(QStringList, args);
        const CommandLine cl = CommandLine::parse(args);
        QCOMPARE(cl.action, CommandLine::Action::Start);
        QTEST(cl.autorunAdd, "add");
        QTEST(cl.autorunDelete, "del");
        QTEST(cl.startHidden, "hidden");
    }

    void options()
    {
        CommandLine cl = CommandLine::parse({u"--headless"_s, u"--bind"_s, u"127.0.0.5"_s});
        QCOMPARE(cl.action, CommandLine::Action::Start);
        QVERIFY(cl.headless);
        QCOMPARE(cl.bindAddress, u"127.0.0.5"_s);

        cl = CommandLine::parse({u"--bind=10.1.2.3"_s});
        QCOMPARE(cl.bindAddress, u"10.1.2.3"_s);

        cl = CommandLine::parse({u"--send"_s, u"pc1;pc2"_s, u"Привет --> мир"_s});
        QCOMPARE(cl.action, CommandLine::Action::Send);
        QCOMPARE(cl.target, u"pc1;pc2"_s);
        QCOMPARE(cl.text, u"Привет --> мир"_s);

        cl = CommandLine::parse({u"--beep"_s, u"pc1"_s, u"--bind"_s, u"127.0.0.2"_s});
        QCOMPARE(cl.action, CommandLine::Action::Beep);
        QCOMPARE(cl.target, u"pc1"_s);
        QCOMPARE(cl.bindAddress, u"127.0.0.2"_s);

        cl = CommandLine::parse({u"--send-files"_s, u"pc1"_s, u"/tmp/a"_s, u"/tmp/b"_s});
        QCOMPARE(cl.action, CommandLine::Action::SendFiles);
        QCOMPARE(cl.files, (QStringList{u"/tmp/a"_s, u"/tmp/b"_s}));

        QCOMPARE(CommandLine::parse({u"--quit"_s}).action, CommandLine::Action::Quit);

        cl = CommandLine::parse({u"--status"_s, u"2"_s});
        QCOMPARE(cl.action, CommandLine::Action::Status);
        QCOMPARE(cl.statusCode, 2);
        cl = CommandLine::parse({u"--status=0"_s});
        QCOMPARE(cl.action, CommandLine::Action::Status);
        QCOMPARE(cl.statusCode, 0);
    }

    // The command handed to the running copy, and what that copy accepts as one.
    void statusCommand()
    {
        for (int code = 0; code <= 2; ++code) {
            int parsed = -1;
            QVERIFY(CommandLine::parseStatusCommand(CommandLine::statusCommand(code), parsed));
            QCOMPARE(parsed, code);
        }
        int parsed = -1;
        for (const QByteArray& bad : {"status 3"_ba, "status"_ba, "status 1 "_ba, "status 10"_ba, "exit"_ba,
                                      "Status 1"_ba, "status -1"_ba}) {
            QVERIFY2(!CommandLine::parseStatusCommand(bad, parsed), bad.constData());
            QCOMPARE(parsed, -1);
        }
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown") << QStringList{u"--frobnicate"_s};
        QTest::newRow("unknown after switch") << QStringList{u"m"_s, u"--x"_s};
        QTest::newRow("bind without value") << QStringList{u"--bind"_s};
        QTest::newRow("bind not an address") << QStringList{u"--bind"_s, u"pc1"_s};
        QTest::newRow("bind ipv6") << QStringList{u"--bind"_s, u"::1"_s};
        QTest::newRow("send without text") << QStringList{u"--send"_s, u"pc1"_s};
        QTest::newRow("beep without target") << QStringList{u"--beep"_s};
        QTest::newRow("two commands") << QStringList{u"--quit"_s, u"--beep"_s, u"pc1"_s};
        QTest::newRow("flag with value") << QStringList{u"--headless=1"_s};
        QTest::newRow("send-files without files") << QStringList{u"--send-files"_s, u"pc1"_s};
        QTest::newRow("status without code") << QStringList{u"--status"_s};
        QTest::newRow("status out of range") << QStringList{u"--status"_s, u"3"_s};
        QTest::newRow("status not a number") << QStringList{u"--status=away"_s};
        QTest::newRow("status with quit") << QStringList{u"--status"_s, u"1"_s, u"--quit"_s};
    }
    void errors()
    {
        QFETCH(QStringList, args);
        const CommandLine cl = CommandLine::parse(args);
        QCOMPARE(cl.action, CommandLine::Action::Error);
        QVERIFY(!cl.error.isEmpty());
        QVERIFY(!cl.error.contains(u'\n'));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
