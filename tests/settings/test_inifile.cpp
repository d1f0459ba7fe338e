#include "settings/inifile.h"

#include "common/testfiles.h"

#include <QDir>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using vantrel::FontSpec;
using vantrel::IniFile;
using vantrel::WindowPlacement;

class TestIniFile final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsEveryType()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"sub/VantrelMsg.ini"_s); // folder created on save
        const QStringList quick{u"OK"_s, u"Да"_s, u"a=b;c"_s, u"[not a section]"_s, u"Item5"_s};
        const FontSpec font{u"DejaVu Sans"_s, -15, 0x00FF8000u, 0, FontSpec::Bold | FontSpec::Italic};
        const WindowPlacement placement{2, 120, -32000, -32000, -4, -4, 100, 168, 420, 768};

        IniFile out(path);
        out.writeStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, quick);
        out.writeStringList(u"fmConfig"_s, u"ListBox_BlackList_Items"_s, {});
        out.writeFont(u"fmConfig"_s, u"FontDialog_Popup_Font"_s, font);
        out.writePlacement(u"VTLForm"_s, placement);
        out.writeBool(u"VTLForm"_s, u"Timer_Ping_Enabled"_s, false);
        out.writeInt(u"fmConfig"_s, u"ComboBox_Comp_ItemIndex"_s, -1);
        out.writeString(u"VTLForm"_s, u"S_Answering"_s, u"Меня нет = совсем"_s);
        out.writeString(u"VTLForm"_s, u"NewVersion"_s, QString());
        QVERIFY2(out.save(), qPrintable(out.errorString()));

        const QByteArray raw = readAll(path);
        QVERIFY(raw.startsWith("\xEF\xBB\xBF"));
        QVERIFY(raw.contains("Timer_Ping_Enabled=FALSE\r\n"));
        QVERIFY(raw.contains("[VTLForm\\ListBox_SpeedMsg_Items]\r\nCount=5\r\nItem0=OK\r\n"));
        QCOMPARE(raw.count('\n'), raw.count("\r\n")); // CRLF only
        QCOMPARE(raw.count('\r'), raw.count("\r\n"));

        IniFile in(path);
        QVERIFY(in.load());
        QCOMPARE(in.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {u"x"_s}), quick);
        QCOMPARE(in.readStringList(u"fmConfig"_s, u"ListBox_BlackList_Items"_s, {u"x"_s}), QStringList());
        QCOMPARE(in.readFont(u"fmConfig"_s, u"FontDialog_Popup_Font"_s, FontSpec{}), font);
        QCOMPARE(in.readPlacement(u"VTLForm"_s), std::optional<WindowPlacement>(placement));
        QCOMPARE(in.readBool(u"VTLForm"_s, u"Timer_Ping_Enabled"_s, true), false);
        QCOMPARE(in.readString(u"VTLForm"_s, u"S_Answering"_s, {}), u"Меня нет = совсем"_s);
        QCOMPARE(in.readString(u"VTLForm"_s, u"NewVersion"_s, u"def"_s), QString()); // present, empty
        QCOMPARE(in.readString(u"VTLForm"_s, u"Missing"_s, u"def"_s), u"def"_s);
        // Names are matched without regard to case.
        QCOMPARE(in.readInt(u"FMCONFIG"_s, u"combobox_comp_itemindex"_s, 0), -1);
        QCOMPARE(in.serialize(), raw); // a second save would write the same bytes
    }

    void readsBooleansAndIntegersStrictly()
    {
        const QList<std::pair<const char*, int>> spellings{
            // 1 true, 0 false, -1 unreadable
            {"TRUE", 1}, {"true", 1}, {"Yes", 1}, {"Y", 1},   {"y", 1},     {"FALSE", 0}, {"fAlSe", 0},
            {"NO", 0},   {"n", 0},    {"1", -1},  {"on", -1}, {"yess", -1}, {"T", -1},    {"", -1}};
        for (const auto& [text, expected] : spellings) {
            IniFile ini;
            ini.parse(QByteArray("[S]\r\nK="_ba + text + "\r\n"));
            QCOMPARE(ini.readBool(u"S"_s, u"K"_s, true), expected != 0);
            QCOMPARE(ini.readBool(u"S"_s, u"K"_s, false), expected == 1);
        }
        IniFile ini;
        ini.parse("[S]\nA=abc\nB=12x\nC=\nD=99999999999\nE=0x10\nF=-13\nG=  42  \nH=+7\n");
        for (const char* key : {"A", "B", "C", "D", "E", "Missing"})
            QCOMPARE(ini.readInt(u"S"_s, QString::fromLatin1(key), 555), 555);
        QCOMPARE(ini.readInt(u"S"_s, u"F"_s, 0), -13);
        QCOMPARE(ini.readInt(u"S"_s, u"G"_s, 0), 42);
        QCOMPARE(ini.readInt(u"S"_s, u"H"_s, 0), 7);
    }

    void handEditedFileSurvivesSave()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"VantrelMsg.ini"_s);
        // No BOM, LF line ends, comments, unknown sections and keys, odd spacing.
        writeAll(path, "; settings edited by hand\n"
                       "[Custom]\n"
                       "Foo = bar baz \n"
                       "\n"
                       "[VTLForm]\n"
                       "# keep me\n"
                       "  Timer_Ping_Enabled   =   yes\t\n"
                       "ComboBox_Comp_Text=old\n"
                       "this line has no equals sign\n"
                       "\n"
                       "[fmconfig]\n"
                       "dxCheckbox_Min_Checked=N\n");
        IniFile ini(path);
        QVERIFY(ini.load());
        QCOMPARE(ini.readString(u"Custom"_s, u"foo"_s, {}), u"bar baz"_s);
        QCOMPARE(ini.readBool(u"VTLForm"_s, u"Timer_Ping_Enabled"_s, false), true);

        ini.writeString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, u"new"_s);
        ini.writeBool(u"fmConfig"_s, u"dxCheckbox_IP_Checked"_s, true); // new key, section spelled otherwise
        ini.writeInt(u"fmAnswering"_s, u"Flags"_s, 0);                  // new section
        ini.writeInt(u"Custom"_s, u"New"_s, 1);                         // goes before the blank line
        QVERIFY(ini.save());
        QCOMPARE(readAll(path), "\xEF\xBB\xBF"
                                "; settings edited by hand\r\n"
                                "[Custom]\r\n"
                                "Foo=bar baz\r\n"
                                "New=1\r\n"
                                "\r\n"
                                "[VTLForm]\r\n"
                                "# keep me\r\n"
                                "Timer_Ping_Enabled=yes\r\n"
                                "ComboBox_Comp_Text=new\r\n"
                                "this line has no equals sign\r\n"
                                "\r\n"
                                "[fmconfig]\r\n"
                                "dxCheckbox_Min_Checked=N\r\n"
                                "dxCheckbox_IP_Checked=TRUE\r\n"
                                "\r\n"
                                "[fmAnswering]\r\n"
                                "Flags=0\r\n"_ba);

        // Removed keys and sections leave the rest as it was.
        ini.removeKey(u"vtlform"_s, u"COMBOBOX_COMP_TEXT"_s);
        ini.removeSection(u"Custom"_s);
        QCOMPARE(ini.sections(), (QStringList{u"VTLForm"_s, u"fmconfig"_s, u"fmAnswering"_s}));
        QCOMPARE(ini.keys(u"VTLForm"_s), QStringList{u"Timer_Ping_Enabled"_s});
    }

    void readsEveryLineEnd()
    {
        for (const QByteArray& data : {"\xEF\xBB\xBF[S]\r\nA=1\r\nB=Да\r\n"_ba, "[S]\nA=1\nB=Да\n"_ba,
                                       "[S]\rA=1\rB=Да\r"_ba, "[S]\r\nA=1\rB=Да"_ba}) {
            IniFile ini;
            ini.parse(data);
            QCOMPARE(ini.sections(), QStringList{u"S"_s});
            QCOMPARE(ini.keys(u"S"_s), (QStringList{u"A"_s, u"B"_s}));
            QCOMPARE(ini.readString(u"S"_s, u"B"_s, {}), u"Да"_s);
        }
    }

    void listEdgeCases()
    {
        const QStringList builtIn{u"OK"_s, u"Да"_s, u"Нет"_s};
        IniFile ini;
        ini.parse("[L\\Empty]\nCount=0\n"
                  "[L\\Gaps]\nCount=4\nItem0=a\nItem2=c\nItem3=d\nItem4=beyond count\nItem02=not an index\n"
                  "[L\\Huge]\nCount=2147483647\nItem1=y\nItem0=x\n"
                  "[L\\BadCount]\nCount=many\nItem0=a\n"
                  "[L\\NoCount]\nItem0=a\n"
                  "[L\\Dup]\nCount=1\nItem0=first\nitem0=second\n");
        QCOMPARE(ini.readStringList(u"L"_s, u"Empty"_s, builtIn), QStringList());
        QCOMPARE(ini.readStringList(u"L"_s, u"Absent"_s, builtIn), builtIn);
        QCOMPARE(ini.readStringList(u"L"_s, u"Gaps"_s, builtIn), (QStringList{u"a"_s, u"c"_s, u"d"_s}));
        QCOMPARE(ini.readStringList(u"L"_s, u"Huge"_s, builtIn), (QStringList{u"x"_s, u"y"_s}));
        QCOMPARE(ini.readStringList(u"L"_s, u"BadCount"_s, builtIn), builtIn);
        QCOMPARE(ini.readStringList(u"L"_s, u"NoCount"_s, builtIn), builtIn);
        QCOMPARE(ini.readStringList(u"L"_s, u"Dup"_s, builtIn), QStringList{u"first"_s});

        // Shrinking a list leaves no stale items behind.
        ini.writeStringList(u"L"_s, u"Gaps"_s, {u"only"_s});
        IniFile again;
        again.parse(ini.serialize());
        QCOMPARE(again.keys(u"L\\Gaps"_s), (QStringList{u"Count"_s, u"Item0"_s}));
    }

    void valuesCannotInjectLines()
    {
        IniFile ini;
        ini.writeString(u"fmConfig"_s, u"Edit_From_Text"_s,
                        u"evil\r\n[VTLForm]\r\nTimer_Ping_Enabled=FALSE"_s);
        ini.writeStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {u"line1\nCount=0"_s});
        IniFile again;
        again.parse(ini.serialize());
        QCOMPARE(again.sections(), (QStringList{u"fmConfig"_s, u"VTLForm\\ListBox_SpeedMsg_Items"_s}));
        QCOMPARE(again.readString(u"fmConfig"_s, u"Edit_From_Text"_s, {}),
                 u"evil  [VTLForm]  Timer_Ping_Enabled=FALSE"_s);
        QCOMPARE(again.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {}),
                 QStringList{u"line1 Count=0"_s});
    }

    void placementAndFontFallbacks()
    {
        IniFile ini;
        ini.parse("[NoNorm]\nFlags=1\n"
                  "[BadNorm]\nNormPos=1,2,3\n"
                  "[OnlyNorm]\nNormPos=10, 20, 330, 440\nMinMaxPos=garbage\n"
                  "[F\\Font]\nName=\nHeight=big\nColor=-2147483640\nStyle=255\n");
        QVERIFY(!ini.readPlacement(u"NoNorm"_s));
        QVERIFY(!ini.readPlacement(u"BadNorm"_s));
        // Unreadable MinMaxPos keeps its defaults.
        const WindowPlacement onlyNorm{.left = 10, .top = 20, .right = 330, .bottom = 440};
        QCOMPARE(ini.readPlacement(u"OnlyNorm"_s), std::optional<WindowPlacement>(onlyNorm));

        const FontSpec def{u"MS Sans Serif"_s, -13, 0x123456u, 204, 0};
        const FontSpec f = ini.readFont(u"F"_s, u"Font"_s, def);
        QCOMPARE(f.name, def.name);
        QCOMPARE(f.height, def.height);
        QCOMPARE(f.color, FontSpec::WindowTextColor); // signed spelling of the same number
        QCOMPARE(f.style, 0xF);
        QCOMPARE(ini.readFont(u"F"_s, u"Other"_s, def), def);
    }

    void fullDiskLeavesOldFileIntact()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"VantrelMsg.ini"_s);
        IniFile ini(path);
        ini.writeString(u"VTLForm"_s, u"ComboBox_Comp_Text"_s, u"server"_s);
        QVERIFY(ini.save());
        const QByteArray before = readAll(path);

        QStringList big;
        for (int i = 0; i < 4000; ++i)
            big.append(u"message number %1"_s.arg(i));
        ini.writeStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, big);
        QVERIFY(ini.serialize().size() > 64 * 1024);
        bool saved = true;
        {
            FileSizeLimit limit(4096);
            if (!limit.ok())
                QSKIP("cannot lower RLIMIT_FSIZE here");
            saved = ini.save();
        }
        QVERIFY(!saved);
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"VantrelMsg.ini"_s});

        // With room again, the same contents save and read back.
        QVERIFY(ini.save());
        IniFile again(path);
        QVERIFY(again.load());
        QCOMPARE(again.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {}), big);
    }

    void refusesOversizedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"huge.ini"_s);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(IniFile::MaxFileSize + 1)); // sparse, costs no disk space
        }
        IniFile ini(path);
        ini.writeInt(u"S"_s, u"K"_s, 1);
        QVERIFY(!ini.load());
        QVERIFY(!ini.errorString().isEmpty());
        QCOMPARE(ini.readInt(u"S"_s, u"K"_s, 0), 1); // contents kept

        IniFile missing(dir.filePath(u"missing.ini"_s));
        QVERIFY(missing.load());
        QVERIFY(missing.sections().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_inifile.moc"
