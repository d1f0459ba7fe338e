// The Messenger-service transport with the real program: popup texts handed to a running
// headless copy with `vantrel --messenger-popup` end in its history log and on its output,
// black list included; `vantrel --send` goes through smbclient (a stand-in first on PATH) when
// the own protocol is switched off in the settings.

#include "app/programrunner.h"
#include "common/standinprograms.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString readText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Runs `vantrel --messenger-popup -` with `input` on standard input.
int popupFromStandardInput(const ProgramRunner& runner, const QByteArray& input, QByteArray* err)
{
    QProcess p;
    p.setProcessEnvironment(runner.environment());
    p.start(runner.binary(), {u"--messenger-popup"_s, u"-"_s});
    if (!p.waitForStarted(10000))
        return -1;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000))
        return -1;
    *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestE2eMessenger final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void popupsReachTheRunningCopy()
    {
        ProgramRunner runner;
        QVERIFY(writeFile(runner.baseDir() + u"/compnames.vtl"_s,
                          "\xEF\xBB\xBF"_ba + u"PC1;Бухгалтерия;\r\n"_s.toUtf8()));
        {
            vantrel::Settings settings(runner.settingsFile());
            settings.fmConfig.ListBox_BlackList_Items.setValue(QStringList{u"SPAMMER"_s});
            settings.fmConfig.dxCheckbox_TCPMessage_Checked.setValue(false);
        }
        // Without a running copy the popup has nowhere to go.
        const QString file = runner.baseDir() + u"/../popup.txt"_s;
        QVERIFY(writeFile(
            file, u"Сообщение от PC1 для PC2 на 08.12.2026 19:30:13\n\nОтчёт готов.\nЗабирайте."_s.toUtf8()));
        QByteArray err;
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file}, nullptr, &err), 1);
        QVERIFY(err.contains("no running copy"));

        QVERIFY(runner.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.161"_s}, true));
        // The program keeps the transport chosen in the settings.
        QVERIFY(!vantrel::Settings(runner.settingsFile()).fmConfig.dxCheckbox_TCPMessage_Checked.value());
        // A Russian popup written by a shell script (LF line ends), as Samba's message command does.
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file}), 0);
        const QString history = runner.logsDir() + u"/Бухгалтерия.log"_s;
        QTRY_VERIFY_WITH_TIMEOUT(readText(history).contains(u"Отчёт готов.\r\nЗабирайте."_s), 10000);
        QVERIFY(readText(history).contains(u"08.12.2026 19:30:13"_s));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += runner.instance().readAllStandardOutput(),
             out.contains(u"Бухгалтерия [19:30:13]: Отчёт готов.\\r\\nЗабирайте."_s.toUtf8())),
            10000);

        // An English popup on standard input, in pieces that the receiver joins.
        QCOMPARE(popupFromStandardInput(
                     runner, "Message from PC1 to PC2 on 12/8/2026 7:31:00 PM\r\n\r\nfirst half, -->", &err),
                 0);
        QCOMPARE(popupFromStandardInput(
                     runner, "Message from PC1 to PC2 on 12/8/2026 7:31:01 PM\r\n\r\nsecond half", &err),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += runner.instance().readAllStandardOutput(),
             out.contains(u"Бухгалтерия [7:31:01 PM]: first half, second half"_s.toUtf8())),
            10000);

        // A text without the expected words is still shown; a black-listed sender's is not.
        QVERIFY(writeFile(file, "Message from SPAMMER to PC2 on 12/8/2026\n\nbuy now"));
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file}), 0);
        QVERIFY(writeFile(file, "no header here"));
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += runner.instance().readAllStandardOutput(),
             out.contains(u"Служба сообщений ["_s.toUtf8()) && out.contains("]: no header here")),
            10000);
        QVERIFY(!out.contains("buy now"));
        QVERIFY(!QFile::exists(runner.logsDir() + u"/SPAMMER.log"_s));

        // Files that are no popup are refused with a reason.
        QVERIFY(writeFile(file, QByteArray(20000, 'x')));
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file}, nullptr, &err), 1);
        QVERIFY(err.contains("larger than"));
        QCOMPARE(runner.runToEnd({u"--messenger-popup"_s, file + u".missing"_s}, nullptr, &err), 1);
        QVERIFY(err.contains("cannot read"));
        QCOMPARE(runner.runToEnd({u"--send-files"_s, u"a:b"_s, file}, nullptr, &err), 1);
        QVERIFY(err.contains("cannot contain ':'"));
    }

    void sendFollowsTheTransportSetting()
    {
        ProgramRunner runner;
        StandInPrograms programs;
        programs.addSmbclient();
        runner.setEnvironment(u"PATH"_s, programs.path());
        {
            vantrel::Settings settings(runner.settingsFile());
            settings.fmConfig.dxCheckbox_TCPMessage_Checked.setValue(false);
            settings.fmConfig.dxCheckbox_From_Checked.setValue(true);
            settings.fmConfig.Edit_From_Text.setValue(u"BOSS"_s);
        }
        QCOMPARE(runner.runToEnd({u"--send"_s, u"PC9;PC10"_s, u"Совещание\nв 15:00"_s}), 0);
        const QList<StandInPrograms::Run> runs = programs.runs();
        QCOMPARE(runs.size(), 2);
        QStringList targets{runs[0].arguments.value(1), runs[1].arguments.value(1)};
        targets.sort();
        QCOMPARE(targets, (QStringList{u"PC10"_s, u"PC9"_s}));
        QCOMPARE(runs[0].arguments.value(3), u"BOSS"_s);
        QCOMPARE(runs[0].input, u"Совещание\nв 15:00"_s.toUtf8());

        StandInPrograms failing;
        failing.addSmbclient(1, "Connection to PC9 failed. Error NT_STATUS_HOST_UNREACHABLE\n");
        runner.setEnvironment(u"PATH"_s, failing.path());
        QByteArray err;
        QCOMPARE(runner.runToEnd({u"--send"_s, u"PC9"_s, u"x"_s}, nullptr, &err), 1);
        QVERIFY2(
            err.contains(u"Ошибка 1 при передаче сообщения на PC9. (Connection to PC9 failed."_s.toUtf8()),
            err.constData());
        // Without smbclient the reason names it.
        StandInPrograms none;
        runner.setEnvironment(u"PATH"_s, none.path(true));
        QCOMPARE(runner.runToEnd({u"--send"_s, u"PC9"_s, u"x"_s}, nullptr, &err), 1);
        QVERIFY2(err.contains(u"Программа \"smbclient\" не найдена."_s.toUtf8()), err.constData());
        // The own protocol back on: smbclient is not asked.
        {
            vantrel::Settings settings(runner.settingsFile());
            settings.fmConfig.dxCheckbox_TCPMessage_Checked.setValue(true);
        }
        runner.setEnvironment(u"PATH"_s, failing.path());
        QCOMPARE(runner.runToEnd({u"--send"_s, u"127.0.0.162"_s, u"x"_s}, nullptr, &err), 1);
        QVERIFY(failing.runs().size() == 1);
    }
};

QTEST_GUILESS_MAIN(TestE2eMessenger)
#include "test_e2e_messenger.moc"
