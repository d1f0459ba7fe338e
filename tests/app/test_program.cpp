// Starts the real program and checks what it leaves on disk: folders, event log, settings
// file, autostart entry, and the single-instance behaviour. Every copy listens on an address
// of its own in 127.0.0.0/8 so that tests running side by side never share a port.

#include "programrunner.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList logLines(const QString& path)
{
    QByteArray bytes = readFile(path);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringList lines = QString::fromUtf8(bytes).split(u"\r\n"_s);
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

const QStringList kConfigKeys = {
    u"dxCheckbox_RUS_Checked"_s,
    u"dxCheckbox_IP_Checked"_s,
    u"dxCheckbox_Notifications_Checked"_s,
    u"dxCheckbox_Min_Checked"_s,
    u"SpinEdit_Ref_Value"_s,
    u"SpinEdit_CBComp_Count_Value"_s,
    u"dxCheckbox_AutoAddUser_Checked"_s,
    u"dxCheckbox_History_Checked"_s,
    u"dxCheckbox_From_Checked"_s,
    u"Edit_From_Text"_s,
    u"dxCheckbox_Clear_Checked"_s,
    u"dxCheckbox_AutoUnCheck_Checked"_s,
    u"dxCheckbox_Hook_Checked"_s,
    u"dxCheckbox_TCPMessage_Checked"_s,
    u"JvApplicationHotKey_AA_HotKey"_s,
    u"Checkbox_AutoFolder_Checked"_s,
    u"Edit_AutoFolder_Text"_s,
    u"Checkbox_AutoContact_Checked"_s,
    u"SpinEdit_AutoAnswering_Value"_s,
    u"SpeedBtn_AAText_Caption"_s,
    u"dxCheckbox_PlaySound_Checked"_s,
    u"FilenameEdit_PlaySound_FileName"_s,
    u"dxCheckbox_SpeakerSound_Checked"_s,
    u"CheckBox_General_List_Checked"_s,
    u"FilenameEdit_General_List_FileName"_s,
    u"CheckBox_Smiles_Checked"_s,
    u"JvFilenameEdit_Smiles_FileName"_s,
    u"CheckBox_Popup_Checked"_s,
};

// The value of `key` in section `section` of an INI text, read line by line.
QString iniValue(const QString& text, const QString& section, const QString& key)
{
    bool inSection = false;
    for (const QString& raw : text.split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inSection = line.compare(u'[' + section + u']', Qt::CaseInsensitive) == 0;
            continue;
        }
        if (inSection && line.section(u'=', 0, 0).trimmed() == key)
            return line.section(u'=', 1);
    }
    return u"<missing>"_s;
}

// With an empty contact list the first availability check at start writes its warning;
// waiting for it keeps the log stable for the comparisons that follow.
bool waitForFirstCheck(const ProgramRunner& runner, qsizetype count)
{
    return QTest::qWaitFor([&] {
        return logLines(runner.eventLog()).filter(u"JvThread_Ping: Пустой список пользователей"_s).size() >=
               count;
    });
}

} // namespace

class TestProgram final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstStartSecondStartAndQuit()
    {
        ProgramRunner runner;
        QVERIFY(runner.startInstance({u"--bind"_s, u"127.0.0.51"_s}));
        QVERIFY(waitForFirstCheck(runner, 1));
        QVERIFY(QFileInfo(runner.baseDir() + u"/Logs"_s).isDir());
        QVERIFY(QFileInfo(runner.baseDir() + u"/Conf"_s).isDir());

        // A second start finds the first, writes nothing and ends with 0.
        const QByteArray logBefore = readFile(runner.eventLog());
        const QByteArray iniBefore = readFile(runner.settingsFile());
        QCOMPARE(runner.runToEnd({u"a"_s}), 0);
        QCOMPARE(readFile(runner.eventLog()), logBefore);
        QCOMPARE(readFile(runner.settingsFile()), iniBefore);
        QVERIFY2(!QFile::exists(runner.configHome() + u"/autostart/VantrelMsg.desktop"_s),
                 "a second start must not act on its switches");

        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);

        const QByteArray raw = readFile(runner.eventLog());
        QVERIFY(raw.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = logLines(runner.eventLog());
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines.at(0).startsWith(u"Лог начат: "_s));
        QCOMPARE(lines.at(1), QString());
        QVERIFY2(lines.at(2).contains(u" | Information | Запуск программы: "_s), qPrintable(lines.at(2)));
        QVERIFY(!lines.at(2).endsWith(u": "_s));
        QVERIFY2(lines.at(3).contains(u" | Warning | JvThread_Ping: Пустой список пользователей"_s),
                 qPrintable(lines.at(3)));
        QVERIFY2(lines.at(4).contains(u" | Information | Завершение программы: "_s), qPrintable(lines.at(4)));

        const QByteArray ini = readFile(runner.settingsFile());
        QVERIFY(ini.startsWith("\xEF\xBB\xBF"));
        const QString text = QString::fromUtf8(ini);
        for (const QString& key : kConfigKeys)
            QVERIFY2(iniValue(text, u"fmConfig"_s, key) != u"<missing>"_s, qPrintable(key));
        QCOMPARE(iniValue(text, u"fmConfig"_s, u"SpinEdit_Ref_Value"_s), u"5"_s);
        QCOMPARE(iniValue(text, u"fmConfig"_s, u"dxCheckbox_History_Checked"_s), u"TRUE"_s);
        QVERIFY(iniValue(text, u"fmConfig"_s, u"Edit_AutoFolder_Text"_s).endsWith(u"/Файлы Vantrel"_s));
        QVERIFY(QFileInfo(iniValue(text, u"fmConfig"_s, u"Edit_AutoFolder_Text"_s)).isDir());
        QVERIFY(iniValue(text, u"fmConfig"_s, u"FilenameEdit_PlaySound_FileName"_s)
                    .endsWith(u"Sounds/message.wav"_s));

        // A restart appends to the same log without a second header.
        QVERIFY(runner.startInstance({u"m"_s, u"--bind"_s, u"127.0.0.51"_s}));
        QVERIFY(waitForFirstCheck(runner, 2));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        const QStringList after = logLines(runner.eventLog());
        QCOMPARE(after.size(), 8);
        QCOMPARE(after.filter(u"Лог начат"_s).size(), 1);
    }

    void headlessEndsCleanlyOnTerminate()
    {
        ProgramRunner runner;
        QVERIFY(runner.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.52"_s}));
        ::kill(static_cast<pid_t>(runner.instance().processId()), SIGTERM);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        const QStringList lines = logLines(runner.eventLog());
        QVERIFY2(lines.constLast().contains(u" | Information | Завершение программы: "_s),
                 qPrintable(lines.constLast()));
    }

    void autostartSwitches()
    {
        ProgramRunner runner;
        const QString entry = runner.configHome() + u"/autostart/VantrelMsg.desktop"_s;
        // Upper case works like lower case; a second argument is ignored.
        QVERIFY(runner.startInstance({u"A"_s, u"d"_s, u"--headless"_s, u"--bind"_s, u"127.0.0.53"_s}));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        const QString desktop = QString::fromUtf8(readFile(entry));
        const QString expectedExec =
            u"Exec=\""_s + QFileInfo(ProgramRunner::buildBinary()).canonicalFilePath() + u"\" m"_s;
        QVERIFY2(desktop.contains(expectedExec), qPrintable(desktop));

        QVERIFY(runner.startInstance({u"d"_s, u"--headless"_s, u"--bind"_s, u"127.0.0.53"_s}));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        QVERIFY(!QFile::exists(entry));

        // Any other first argument does nothing.
        QVERIFY(runner.startInstance({u"x"_s, u"a"_s, u"--headless"_s, u"--bind"_s, u"127.0.0.53"_s}));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        QVERIFY(!QFile::exists(entry));
    }

    void badCommandLinesFailLoudly()
    {
        ProgramRunner runner;
        QByteArray err;
        QCOMPARE(runner.runToEnd({u"--no-such-option"_s}, nullptr, &err), 2);
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(err.contains("--no-such-option"));
        QVERIFY2(!QFileInfo::exists(runner.baseDir()), "a refused command line must not write anything");

        QCOMPARE(runner.runToEnd({u"--bind"_s, u"not-an-address"_s}, nullptr, &err), 2);
        QCOMPARE(runner.runToEnd({u"--quit"_s}, nullptr, &err), 1);
        QVERIFY(err.contains("no running copy"));
    }

    void separateDataFoldersRunSideBySide()
    {
        ProgramRunner first;
        ProgramRunner second;
        QVERIFY(first.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.61"_s}));
        QVERIFY(second.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.62"_s}));
        QCOMPARE(first.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(second.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(first.waitForInstanceEnd(), 0);
        QCOMPARE(second.waitForInstanceEnd(), 0);
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
