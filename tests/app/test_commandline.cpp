#include "app/commandline.h"
#include "app/handoverrecord.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::CommandLine;
using vantrel::HandOverRecord;

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
        cl = CommandLine::parse({u"--messenger-popup"_s, u"/tmp/popup.txt"_s});
        QCOMPARE(cl.action, CommandLine::Action::MessengerPopup);
        QCOMPARE(cl.files, QStringList{u"/tmp/popup.txt"_s});
        QCOMPARE(CommandLine::parse({u"--messenger-popup"_s, u"-"_s}).files, QStringList{u"-"_s});

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

    // Hand-over records on the single-instance socket: what goes in comes out, whatever the text.
    void handOverCommands()
    {
        for (int kind = 1; kind <= 4; ++kind) {
            const QString text = u"Сообщение от A для B на 1.1.2026\r\n\r\nx y%20 \n:"_s;
            const QByteArray command = vantrel::handOverCommand({kind, text});
            QVERIFY(!command.contains('\n') && !command.contains('\r'));
            const auto record = vantrel::parseHandOverCommand(command);
            QVERIFY(record);
            QCOMPARE(record->kind, kind);
            QCOMPARE(record->text, text);
        }
        for (const QByteArray& bad :
             {"handover 5 x"_ba, "handover 0 x"_ba, "handover 1"_ba, "handover 1 a b"_ba, "handover x a"_ba,
              "handover 01 a"_ba, "Handover 1 a"_ba, "restore"_ba})
            QVERIFY2(!vantrel::parseHandOverCommand(bad), bad.constData());
        // An empty text is a record all the same (kinds 3 and 4 then offer nothing).
        QVERIFY(vantrel::parseHandOverCommand("handover 3 "_ba));
    }

    void fileRecords()
    {
        // Kind 3: target before the first ':', one path after it (a path may hold ':').
        auto files = vantrel::parseFileHandOver({HandOverRecord::OneFile, u"Бухгалтерия:/tmp/a:b.txt"_s});
        QVERIFY(files);
        QCOMPARE(files->target, u"Бухгалтерия"_s);
        QCOMPARE(files->files, QStringList{u"/tmp/a:b.txt"_s});
        // Kind 4: the paths one per line, CR LF or LF, empty lines skipped.
        files = vantrel::parseFileHandOver(
            {HandOverRecord::SeveralFiles, u"pc1:/tmp/a\r\n/tmp/b\n\r\n/tmp/c d\r\n"_s});
        QVERIFY(files);
        QCOMPARE(files->target, u"pc1"_s);
        QCOMPARE(files->files, (QStringList{u"/tmp/a"_s, u"/tmp/b"_s, u"/tmp/c d"_s}));
        // Without ':' nothing is offered; neither for the popup kinds.
        QVERIFY(!vantrel::parseFileHandOver({HandOverRecord::OneFile, u"/tmp/a"_s}));
        QVERIFY(!vantrel::parseFileHandOver({HandOverRecord::SeveralFiles, u"pc1 /tmp/a\r\n/tmp/b"_s}));
        QVERIFY(!vantrel::parseFileHandOver({HandOverRecord::RussianPopup, u"pc1:/tmp/a"_s}));
        // What --send-files hands over reads back as it was given.
        for (const QStringList& given :
             {QStringList{u"/tmp/one file.jpg"_s}, QStringList{u"/tmp/a"_s, u"/tmp/b"_s}}) {
            const HandOverRecord record = vantrel::fileHandOverRecord(u"-"_s, given);
            QCOMPARE(record.kind, given.size() == 1 ? HandOverRecord::OneFile : HandOverRecord::SeveralFiles);
            const auto back = vantrel::parseFileHandOver(record);
            QVERIFY(back);
            QCOMPARE(back->target, u"-"_s);
            QCOMPARE(back->files, given);
        }
    }

    void popupRecords()
    {
        HandOverRecord record = vantrel::popupHandOverRecord(u"Message from A to B on 1/1/2026\n\nhi\n"_s);
        QCOMPARE(record.kind, HandOverRecord::EnglishPopup);
        QCOMPARE(record.text, u"Message from A to B on 1/1/2026\r\n\r\nhi\r\n"_s);
        record = vantrel::popupHandOverRecord(u"Сообщение от A для B на 1.1.2026\r\n\r\nпривет"_s);
        QCOMPARE(record.kind, HandOverRecord::RussianPopup);
        record = vantrel::popupHandOverRecord(u"no header at all"_s);
        QCOMPARE(record.kind, HandOverRecord::RussianPopup);
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
        QTest::newRow("popup without file") << QStringList{u"--messenger-popup"_s};
        QTest::newRow("popup with send") << QStringList{u"--messenger-popup"_s, u"f"_s, u"--quit"_s};
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
