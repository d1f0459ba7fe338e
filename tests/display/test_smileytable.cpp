#include "display/smileymatcher.h"
#include "display/smileysetfile.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"
#include "settings/settings.h"

#include "common/testfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// Three smileys in an order that is not alphabetical, with Cyrillic labels.
const QString ThreeSections = u"[Zeta]\r\nFileName=z.gif\r\nChars=:z\r\nLabel=Улыбка\r\n"
                              u"[Alpha]\r\nFileName=a.gif\r\nChars=:a\r\nLabel=Грусть\r\n"
                              u"[Mid]\r\nFileName=m.gif\r\nChars=:m\r\nLabel=Смех\r\n"_s;

QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding)
{
    return QStringEncoder(encoding, QStringEncoder::Flag::WriteBom).encode(text);
}

QList<SmileyEntry> entries(const QStringList& sequences)
{
    QList<SmileyEntry> result;
    for (const QString& s : sequences)
        result.append({s, {}, {}});
    return result;
}

// The line as drawn: every replacement shown as [index].
QString drawn(const QString& line, const QList<SmileyReplacement>& found)
{
    QString out;
    qsizetype pos = 0;
    for (const SmileyReplacement& r : found) {
        out += line.mid(pos, r.position - pos) + u'[' + QString::number(r.entry) + u']';
        pos = r.position + r.length;
    }
    return out + line.mid(pos);
}

} // namespace

// The smiley set (built-in or read from a set file) and the search for its sequences in a line.
class TestSmileyTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : {"z.gif", "a.gif", "m.gif"})
            writeAll(m_dir.filePath(QString::fromLatin1(name)), "GIF89a");
        m_host.balloons.clear();
    }

    // A line drawn with the built-in set (no sequences given) or with a set of the given sequences.
    void drawsSmileys_data()
    {
        QTest::addColumn<QStringList>("sequences");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        // The blank before a built-in sequence goes with the picture.
        QTest::newRow("after a word") << QStringList() << u"Привет :)"_s << u"Привет[0]"_s;
        QTest::newRow("glued to a word") << QStringList() << u"Привет:)"_s << u"Привет:)"_s;
        QTest::newRow("line start without blank") << QStringList() << u":) hi"_s << u":) hi"_s;
        QTest::newRow("line start with blank") << QStringList() << u" :) hi"_s << u"[0] hi"_s;
        QTest::newRow("several") << QStringList() << u"a :) b :) :("_s << u"a[0] b[0][2]"_s;
        QTest::newRow("nose variants") << QStringList() << u"x :-) :-( :-/ :-\\"_s << u"x[1][18][12][13]"_s;
        // " :D" (5) is searched before " :devil" (20) and " :drink" (32), ignoring case.
        QTest::newRow(":devil") << QStringList() << u"ну :devil"_s << u"ну[5]evil"_s;
        QTest::newRow(":DRINK") << QStringList() << u"ну :DRINK"_s << u"ну[5]RINK"_s;
        // " :omg" (24) comes before " :O" (27) and is drawn as itself.
        QTest::newRow(":OMG") << QStringList() << u"ой :OMG"_s << u"ой[24]"_s;
        QTest::newRow(":o") << QStringList() << u"ой :o"_s << u"ой[27]"_s;
        QTest::newRow("not whole words") << QStringList() << u"a :lolz"_s << u"a[4]z"_s;
        QTest::newRow("lines of a message")
            << QStringList() << u"one :)\u2029 :( two"_s << u"one[0]\u2029[2] two"_s;
        // A set file's sequences: table order decides overlaps.
        QTest::newRow("ab before bc") << QStringList{u"ab"_s, u"bc"_s} << u"abc"_s << u"[0]c"_s;
        QTest::newRow("bc before ab") << QStringList{u"bc"_s, u"ab"_s} << u"abc"_s << u"a[0]"_s;
        QTest::newRow("later shorter finds the rest")
            << QStringList{u":-)"_s, u":)"_s} << u"x:-) :)"_s << u"x[0] [1]"_s;
        // An earlier picture splits the text: "a" + picture + "b" does not match "ab".
        QTest::newRow("picture splits text")
            << QStringList{u":)"_s, u"ab"_s} << u"a:)b ab"_s << u"a[0]b [1]"_s;
        QTest::newRow("case beyond ASCII")
            << QStringList{u"привет"_s} << u"ну ПРИВЕТ и Привет"_s << u"ну [0] и [0]"_s;
        QTest::newRow("empty and object sequences skipped")
            << QStringList{QString(), u"\uFFFC"_s, u":)"_s} << u"a\uFFFCb :)"_s << u"a\uFFFCb [2]"_s;
    }
    void drawsSmileys()
    {
        QFETCH(QStringList, sequences);
        QFETCH(QString, line);
        QFETCH(QString, expected);
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::Builtin, QString());
        QCOMPARE(drawn(line, findSmileys(line, sequences.isEmpty() ? table.entries() : entries(sequences))),
                 expected);
    }

    // A picture that cannot be inserted leaves its text, and the search goes on behind it.
    void uninsertablePictureStaysText()
    {
        int calls = 0;
        const auto failFirst = [&](int) { return ++calls > 1; };
        // The occurrence at 0 stays; the search goes on at 2, not at 1.
        QCOMPARE(drawn(u"aaaa"_s, findSmileys(u"aaaa"_s, entries({u"aa"_s}), failFirst)), u"aa[0]"_s);
        QCOMPARE(calls, 2);
        // Text left by one entry is seen by later ones.
        const auto noFirst = [](int entry) { return entry != 0; };
        QCOMPARE(drawn(u"x >:( y"_s, findSmileys(u"x >:( y"_s, entries({u">:("_s, u":("_s}), noFirst)),
                 u"x >[1] y"_s);
        // A failing picture never makes the search repeat an occurrence.
        calls = 0;
        const auto never = [&](int) {
            ++calls;
            return false;
        };
        QVERIFY(findSmileys(QString(u" :)"_s).repeated(1000), entries({u" :)"_s}), never).isEmpty());
        QCOMPARE(calls, 1000);
    }

    void builtinSet()
    {
        SmileyTable table(m_host);
        QSignalSpy rebuilt(&table, &SmileyTable::rebuilt);
        table.rebuild(SmileyTable::Set::Builtin, m_dir.filePath(u"ignored.ini"_s));
        QCOMPARE(rebuilt.count(), 1);
        QVERIFY(m_host.balloons.isEmpty());
        QVERIFY(table.setFile().isEmpty());
        QCOMPARE(table.count(), SmileyTable::BuiltinCount);
        QCOMPARE(table.entries(), entries(SmileyTable::builtinCaptions()));
        QCOMPARE(table.tagEntries()[0], u"<Chars> :)</Chars>"_s);
    }

    // The three encodings of the Windows INI reader, and file order of the sections.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("utf-16 le") << utf16(ThreeSections, QStringEncoder::Utf16LE);
        QTest::newRow("utf-16 be") << utf16(ThreeSections, QStringEncoder::Utf16BE);
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF" + ThreeSections.toUtf8());
        // Улыбка, Грусть, Смех in code page 1251.
        QTest::newRow("code page 1251")
            << QByteArray("[Zeta]\r\nFileName=z.gif\r\nChars=:z\r\nLabel=\xD3\xEB\xFB\xE1\xEA\xE0"
                          "\r\n[Alpha]\r\nFileName=a.gif\r\nChars=:a\r\nLabel=\xC3\xF0\xF3\xF1\xF2\xFC"
                          "\r\n[Mid]\r\nFileName=m.gif\r\nChars=:m\r\nLabel=\xD1\xEC\xE5\xF5\r\n");
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeAll(path, bytes);
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, path);
        QCOMPARE(m_host.texts(), QStringList());
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        QCOMPARE(table.entries(), (QList<SmileyEntry>{{u":z"_s, folder + u"z.gif"_s, u"Улыбка"_s},
                                                      {u":a"_s, folder + u"a.gif"_s, u"Грусть"_s},
                                                      {u":m"_s, folder + u"m.gif"_s, u"Смех"_s}}));
        QCOMPARE(table.tagEntries()[0], u"<Chars>:z</Chars><FileName>"_s + folder + u"z.gif</FileName>"_s);
        QCOMPARE(table.setFile(), path);
    }

    void windows1251TableMatchesTheSystemCodec()
    {
        QStringDecoder system("windows-1251");
        if (!system.isValid())
            QSKIP("Qt has no windows-1251 codec here");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(SmileySetFile::decodeWindows1251(all), QString(system.decode(all)));
    }

    void iniLineRules()
    {
        const QString text = u"Chars=before any section\n"
                             u"; comment\r"
                             u"  [ First ]  trailing\r\n"
                             u"\tchars = \" :x \" \n"
                             u"CHARS=second value\n"
                             u"no equals sign\n"
                             u"Label='quoted'\r\n"
                             u"Empty=\n"
                             u"[Second\n"
                             u"FileName=b\\c.gif\n"
                             u"[First]\n"
                             u"Chars=:own\n"_s;
        const auto sections = SmileySetFile::parse(text);
        QCOMPARE(sections.size(), 3);
        QCOMPARE(sections[0].name, u"First"_s);
        QCOMPARE(sections[0].value(u"Chars"), u" :x "_s); // the first of equal keys; quotes dropped
        QCOMPARE(sections[0].value(u"label"), u"quoted"_s);
        QCOMPARE(sections[0].value(u"Empty"), QString());
        QCOMPARE(sections[1].name, u"Second"_s);
        QCOMPARE(sections[1].value(u"FileName"), u"b\\c.gif"_s);
        // A repeated name is a section of its own.
        QCOMPARE(sections[2].name, u"First"_s);
        QCOMPARE(sections[2].value(u"Chars"), u":own"_s);
    }

    // A set file that is missing, empty, without sections, too large or a folder is refused.
    void badSetFileBalloon_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("no sections") << QByteArray("Chars=:)\r\nFileName=a.gif\r\n") << true;
        QTest::newRow("too large") << QByteArray("[A]\r\nFileName=a.gif\r\nChars=:)\r\n" +
                                                 QByteArray(SmileySetFile::MaxFileSize, ' '))
                                   << true;
        QTest::newRow("folder") << QByteArray() << false;
    }
    void badSetFileBalloon()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, create);
        const QString path =
            qstrcmp(QTest::currentDataTag(), "folder") == 0 ? m_dir.path() : m_dir.filePath(u"Bad.ini"_s);
        QFile::remove(path);
        if (create)
            writeAll(path, bytes);
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::Builtin, QString());
        table.rebuild(SmileyTable::Set::External, path);
        QVERIFY(table.isEmpty());
        QCOMPARE(m_host.balloons.size(), 1);
        QCOMPARE(m_host.balloons[0].title, u"Vantrel"_s);
        QCOMPARE(m_host.balloons[0].text, u"Некорректный файл "_s + path);
        QCOMPARE(m_host.balloons[0].level, SmileyHost::BalloonLevel::Error);
    }

    void missingPictureIsLeftOut()
    {
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeAll(path, utf16(u"[One]\r\nFileName=a.gif\r\nChars=:a\r\n"
                             u"[Two]\r\nFileName=gone.gif\r\nChars=:g\r\n"
                             u"[Three]\r\nChars=:nofile\r\n"
                             u"[Four]\r\nFileName=sub\\deep.gif\r\nChars=:d\r\n"_s,
                             QStringEncoder::Utf16LE));
        QVERIFY(QDir(m_dir.path()).mkdir(u"sub"_s));
        writeAll(m_dir.filePath(u"sub/deep.gif"_s), "GIF89a");
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, path);
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        QCOMPARE(m_host.balloons.size(), 2);
        QCOMPARE(m_host.balloons[0].title, m_host.caption);
        // No FileName names the folder itself, which is no picture.
        QCOMPARE(m_host.texts(), (QStringList{u"Файл \""_s + folder + u"gone.gif\" не найден!"_s,
                                              u"Файл \""_s + folder + u"\" не найден!"_s}));
        QCOMPARE(table.entries(), (QList<SmileyEntry>{{u":a"_s, folder + u"a.gif"_s, {}},
                                                      {u":d"_s, folder + u"sub/deep.gif"_s, {}}}));
    }

    // Rebuilding follows the settings: the check box picks the set, the file box the file.
    void rebuildFromSettings()
    {
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeAll(path, utf16(ThreeSections, QStringEncoder::Utf16LE));
        Settings settings(m_dir.filePath(u"VantrelMsg.ini"_s));
        settings.fmConfig.JvFilenameEdit_Smiles_FileName.setValue(path);
        SmileyTable table(m_host);
        // Confirming again without a change keeps the smileys.
        for (int i = 0; i < 2; ++i) {
            table.rebuild(settings);
            QCOMPARE(table.set(), SmileyTable::Set::External);
            QCOMPARE(table.count(), 3);
        }
        settings.fmConfig.CheckBox_Smiles_Checked.setValue(false);
        table.rebuild(settings);
        QCOMPARE(table.set(), SmileyTable::Set::Builtin);
        QCOMPARE(table.count(), SmileyTable::BuiltinCount);
        QVERIFY(m_host.balloons.isEmpty());
    }

    // The shipped set loads without complaint, and no smiley of it hides another: each
    // sequence written alone is drawn as its own picture.
    void defaultSetLoads()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External,
                      QString::fromUtf8(VANTREL_SOURCE_DATA_DIR) + u"/Smiles/Default/Smiles.ini"_s);
        QCOMPARE(m_host.texts(), QStringList());
        QVERIFY(table.count() >= 16);
        for (int i = 0; i < table.count(); ++i) {
            const SmileyEntry& e = table.entries()[i];
            QVERIFY(!e.label.isEmpty());
            QVERIFY(QFileInfo(e.fileName).isFile());
            const QString line = u"abc "_s + e.chars + u" def"_s;
            QCOMPARE(drawn(line, findSmileys(line, table.entries())),
                     u"abc "_s + u'[' + QString::number(i) + u']' + u" def"_s);
        }
    }

private:
    QTemporaryDir m_dir;
    FakeSmileyHost m_host;
};

QTEST_GUILESS_MAIN(TestSmileyTable)
#include "test_smileytable.moc"
