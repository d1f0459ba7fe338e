#include "display/smileymatcher.h"
#include "display/smileysetfile.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::findSmileys;
using vantrel::Settings;
using vantrel::SmileyHost;
using vantrel::SmileySetFile;
using vantrel::SmileyTable;

namespace {

void writeFile(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
}

QByteArray utf16le(const QString& text)
{
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

QByteArray utf16be(const QString& text)
{
    QByteArray out("\xFE\xFF", 2);
    for (const QChar c : text) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xFF));
    }
    return out;
}

// Three smileys in an order that is not alphabetical, with Cyrillic labels.
const QString ThreeSections = u"[Zeta]\r\nFileName=z.gif\r\nChars=:z\r\nLabel=Улыбка\r\n"
                              u"[Alpha]\r\nFileName=a.gif\r\nChars=:a\r\nLabel=Грусть\r\n"
                              u"[Mid]\r\nFileName=m.gif\r\nChars=:m\r\nLabel=Смех\r\n"_s;

QString defaultSetFile()
{
    return QString::fromUtf8(VANTREL_SOURCE_DATA_DIR) + u"/Smiles/Default/Smiles.ini"_s;
}

} // namespace

class TestSmileyTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        for (const char* name : {"z.gif", "a.gif", "m.gif"})
            writeFile(m_dir.filePath(QString::fromLatin1(name)), "GIF89a");
    }

    void builtinSet()
    {
        FakeSmileyHost host;
        SmileyTable table(host);
        QSignalSpy rebuilt(&table, &SmileyTable::rebuilt);
        table.rebuild(SmileyTable::Set::Builtin, m_dir.filePath(u"ignored.ini"_s));
        QCOMPARE(rebuilt.count(), 1);
        QVERIFY(host.balloons.isEmpty());
        QCOMPARE(table.count(), SmileyTable::BuiltinCount);
        QVERIFY(table.setFile().isEmpty());
        // Index 13 is colon, hyphen, backslash; every sequence starts with a blank.
        QCOMPARE(table.entries()[13].chars, u" :-\\"_s);
        QCOMPARE(table.entries()[13].chars.size(), 4);
        QCOMPARE(table.tagEntries()[0], u"<Chars> :)</Chars>"_s);
        QSet<QString> seen;
        for (int i = 0; i < table.count(); ++i) {
            const auto& e = table.entries()[i];
            QVERIFY2(e.chars.startsWith(u" :"_s) || e.chars == u" ;)"_s, qPrintable(e.chars));
            QVERIFY(e.fileName.isEmpty());
            QCOMPARE(e.chars, SmileyTable::builtinCaptions()[i]);
            QVERIFY(!seen.contains(e.chars));
            seen.insert(e.chars);
        }
        QCOMPARE(table.entries()[5].chars, u" :D"_s);
        QCOMPARE(table.entries()[20].chars, u" :devil"_s);
        QCOMPARE(table.entries()[24].chars, u" :omg"_s);
        QCOMPARE(table.entries()[27].chars, u" :O"_s);
        QCOMPARE(table.entries()[32].chars, u" :drink"_s);
    }

    // The three encodings of the Windows INI reader, and file order of the sections.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("utf-16 le") << utf16le(ThreeSections);
        QTest::newRow("utf-16 be") << utf16be(ThreeSections);
        QTest::newRow("utf-8 with mark") << QByteArray("\xEF\xBB\xBF" + ThreeSections.toUtf8());
        // Улыбка, Грусть, Смех in code page 1251.
        const QByteArray cp1251 =
            "[Zeta]\r\nFileName=z.gif\r\nChars=:z\r\nLabel=\xD3\xEB\xFB\xE1\xEA\xE0"
            "\r\n[Alpha]\r\nFileName=a.gif\r\nChars=:a\r\nLabel=\xC3\xF0\xF3\xF1\xF2\xFC"
            "\r\n[Mid]\r\nFileName=m.gif\r\nChars=:m\r\nLabel=\xD1\xEC\xE5\xF5"
            "\r\n";
        QTest::newRow("code page 1251") << cp1251;
    }

    void encodings()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeFile(path, bytes);
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::External, path);
        QCOMPARE(host.texts(), QStringList());
        QCOMPARE(table.count(), 3);
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        QCOMPARE(table.entries()[0].chars, u":z"_s);
        QCOMPARE(table.entries()[1].chars, u":a"_s);
        QCOMPARE(table.entries()[2].chars, u":m"_s);
        QCOMPARE(table.entries()[0].label, u"Улыбка"_s);
        QCOMPARE(table.entries()[1].label, u"Грусть"_s);
        QCOMPARE(table.entries()[2].label, u"Смех"_s);
        QCOMPARE(table.entries()[1].fileName, folder + u"a.gif"_s);
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
        QCOMPARE(sections[0].value(u"Missing"), QString());
        QCOMPARE(sections[1].name, u"Second"_s);
        QCOMPARE(sections[1].value(u"FileName"), u"b\\c.gif"_s);
        // A repeated name is a section of its own.
        QCOMPARE(sections[2].name, u"First"_s);
        QCOMPARE(sections[2].value(u"Chars"), u":own"_s);
    }

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
    }

    void badSetFileBalloon()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, create);
        const QString path = m_dir.filePath(u"Bad.ini"_s);
        QFile::remove(path);
        if (create)
            writeFile(path, bytes);
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::Builtin, QString());
        table.rebuild(SmileyTable::Set::External, path);
        QVERIFY(table.isEmpty());
        QCOMPARE(host.balloons.size(), 1);
        QCOMPARE(host.balloons[0].title, u"Vantrel"_s);
        QCOMPARE(host.balloons[0].text, u"Некорректный файл "_s + path);
        QCOMPARE(host.balloons[0].level, SmileyHost::BalloonLevel::Error);
    }

    void folderAsSetFileIsRefused()
    {
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::External, m_dir.path());
        QVERIFY(table.isEmpty());
        QCOMPARE(host.texts(), QStringList{u"Некорректный файл "_s + m_dir.path()});
    }

    void missingPictureIsLeftOut()
    {
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeFile(path, utf16le(u"[One]\r\nFileName=a.gif\r\nChars=:a\r\n"
                                u"[Two]\r\nFileName=gone.gif\r\nChars=:g\r\n"
                                u"[Three]\r\nChars=:nofile\r\n"
                                u"[Four]\r\nFileName=sub\\deep.gif\r\nChars=:d\r\n"_s));
        writeFile(m_dir.filePath(u"sub/deep.gif"_s), "GIF89a");
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::External, path);
        const QString folder = QFileInfo(path).absolutePath() + u'/';
        QCOMPARE(host.balloons.size(), 2);
        QCOMPARE(host.balloons[0].title, host.caption);
        QCOMPARE(host.balloons[0].text, u"Файл \""_s + folder + u"gone.gif\" не найден!"_s);
        // No FileName names the folder itself, which is no picture.
        QCOMPARE(host.balloons[1].text, u"Файл \""_s + folder + u"\" не найден!"_s);
        QCOMPARE(table.count(), 2);
        QCOMPARE(table.entries()[0].chars, u":a"_s);
        QCOMPARE(table.entries()[1].chars, u":d"_s);
        QCOMPARE(table.entries()[1].fileName, folder + u"sub/deep.gif"_s);
    }

    // Rebuilding follows the settings: the check box picks the set, the file box the file.
    void rebuildFromSettings()
    {
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        writeFile(path, utf16le(ThreeSections));
        Settings settings(m_dir.filePath(u"VantrelMsg.ini"_s));
        settings.fmConfig.JvFilenameEdit_Smiles_FileName.setValue(path);
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(settings);
        QCOMPARE(table.set(), SmileyTable::Set::External);
        QCOMPARE(table.count(), 3);
        // Confirming again without a change keeps the smileys.
        table.rebuild(settings);
        QCOMPARE(table.count(), 3);
        settings.fmConfig.CheckBox_Smiles_Checked.setValue(false);
        table.rebuild(settings);
        QCOMPARE(table.set(), SmileyTable::Set::Builtin);
        QCOMPARE(table.count(), SmileyTable::BuiltinCount);
        QVERIFY(host.balloons.isEmpty());
    }

    // The shipped set loads without complaint, and no smiley of it hides another: each
    // sequence written alone is drawn as its own picture.
    void defaultSetLoads()
    {
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::External, defaultSetFile());
        QCOMPARE(host.texts(), QStringList());
        QVERIFY(table.count() >= 16);
        for (int i = 0; i < table.count(); ++i) {
            const auto& e = table.entries()[i];
            QVERIFY(!e.label.isEmpty());
            QVERIFY(QFileInfo(e.fileName).isFile());
            const QString line = u"abc "_s + e.chars + u" def"_s;
            const auto found = findSmileys(line, table.entries());
            QCOMPARE(found.size(), 1);
            QCOMPARE(found[0].entry, i);
            QCOMPARE(found[0].length, e.chars.size());
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSmileyTable)
#include "test_smileytable.moc"
