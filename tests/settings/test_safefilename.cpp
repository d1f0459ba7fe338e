#include "settings/popupsettings.h"
#include "settings/safefilename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::MaxStemBytes;
using vantrel::PopupSettingsFile;
using vantrel::SafeFileName;
using vantrel::WindowPlacement;

namespace {

QStringList hostileNames()
{
    const QString longCyrillic(150, u'я'); // 300 bytes in UTF-8
    return {
        u"../../etc/passwd"_s,
        u".."_s,
        u"."_s,
        u"..."_s,
        u"a/b"_s,
        u"a\\b"_s,
        u"..\\..\\Windows\\win.ini"_s,
        u"/absolute"_s,
        QString(u"nul\0byte"_s),
        QString(1, QChar(0)),
        u"tab\tname"_s,
        u"line\nbreak"_s,
        u"del\x7f"_s,
        u"CON"_s,
        u"con"_s,
        u"nul.txt"_s,
        u"Com1"_s,
        u"LPT9"_s,
        u"AUX  "_s,
        u"VantrelMsg"_s,
        u"vantrelmsg"_s,
        QString(),
        u"name."_s,
        u"name "_s,
        u"a:b"_s,
        u"what?"_s,
        u"<tag>|\"*"_s,
        QString(1, QChar(0xD800)),
        QString(1, QChar(0xDC00)),
        longCyrillic,
        longCyrillic + u"x"_s,
        QString(300, u'/'),
        QString(300, u'%'),
    };
}

} // namespace

class TestSafeFileName final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void safeNamesAreUnchanged();
    void hostileNamesStayInsideTheFolder();
    void hostileNamesDoNotCollide();
    void mappingExamples();
    void popupFileRoundTrip();
    void popupFileForHostileNickname();
};

void TestSafeFileName::safeNamesAreUnchanged()
{
    const QStringList safe{u"Иван Петров"_s, u"PC-01"_s,   u"user.name"_s,     u".hidden"_s,
                           u"a..b"_s,        u"100%"_s,    u"CONSOLE"_s,       u"COM10"_s,
                           u"my con"_s,      u"😀 smile"_s, QString(200, u'x'), u"VantrelMsg2"_s};
    for (const QString& name : safe)
        QCOMPARE(SafeFileName(name), name);
}

void TestSafeFileName::hostileNamesStayInsideTheFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    const QStringList names = hostileNames();
    for (const QString& name : names) {
        const QString stem = SafeFileName(name);
        QVERIFY2(stem != name, qPrintable(stem));
        QVERIFY(!stem.isEmpty());
        QVERIFY(stem.toUtf8().size() <= MaxStemBytes);
        QVERIFY2(SafeFileName(stem) == stem, qPrintable(stem)); // the result is itself safe
        for (const QChar c : stem)
            QVERIFY2(c.unicode() >= 0x20 && c != u'/' && c != u'\\' && !c.isSurrogate(), qPrintable(stem));

        // Create the file for real and see where it landed.
        const QString path = dir.filePath(stem + u".ini"_s);
        QFile f(path);
        QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
        f.close();
        QCOMPARE(QFileInfo(path).canonicalPath(), root);
    }
    // One file per name, and nothing anywhere else.
    const QStringList created = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QCOMPARE(created.size(), names.size());
    for (const QString& entry : created)
        QVERIFY(QFileInfo(root + u'/' + entry).isFile());
}

void TestSafeFileName::hostileNamesDoNotCollide()
{
    QSet<QString> stems;
    for (const QString& name : hostileNames()) {
        const QString stem = SafeFileName(name);
        QVERIFY2(!stems.contains(stem), qPrintable(stem));
        stems.insert(stem);
    }
    // Long names that differ only past the cut get different stems.
    const QString prefix(250, u'q');
    QVERIFY(SafeFileName(prefix + u"1"_s) != SafeFileName(prefix + u"2"_s));
}

void TestSafeFileName::mappingExamples()
{
    QCOMPARE(SafeFileName(u"a/b"_s), u"a%2Fb"_s);
    QCOMPARE(SafeFileName(u"a\\b%"_s), u"a%5Cb%25"_s);
    QCOMPARE(SafeFileName(u".."_s), u"%2E%2E"_s);
    QCOMPARE(SafeFileName(u"name. "_s), u"name%2E%20"_s);
    QCOMPARE(SafeFileName(u"CON"_s), u"CON_"_s);
    QCOMPARE(SafeFileName(u"nul.txt"_s), u"nul_.txt"_s);
    QCOMPARE(SafeFileName(u"VantrelMsg"_s), u"VantrelMsg_"_s);
    QCOMPARE(SafeFileName(u"я/я"_s), u"я%2Fя"_s);
    QCOMPARE(SafeFileName(QString()), u"_"_s);
    const QString longName = SafeFileName(QString(300, u'ж'));
    QCOMPARE(longName.toUtf8().size(), 199); // 95 two-byte letters, '~' and eight hex digits
    QVERIFY(longName.startsWith(QString(95, u'ж') + u'~'));
}

void TestSafeFileName::popupFileRoundTrip()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(u"Conf"_s);
    WindowPlacement p;
    p.left = 200;
    p.top = 100;
    p.right = 700;
    p.bottom = 500;
    {
        PopupSettingsFile file(conf, u"Иван"_s);
        QCOMPARE(file.path(), conf + u"/Иван.ini"_s);
        QCOMPARE(file.memoMessageHeight(57), 57);
        QVERIFY(!file.placement().isValid());
        file.setMemoMessageHeight(91);
        file.setPlacement(p);
        QVERIFY(!QFile::exists(file.path())); // kept in memory until saved
        QVERIFY2(file.save(), qPrintable(file.lastError()));
    }
    PopupSettingsFile again(conf, u"Иван"_s);
    QCOMPARE(again.memoMessageHeight(57), 91);
    QCOMPARE(again.placement(), p);

    QFile raw(again.path());
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.readAll().startsWith("\xEF\xBB\xBF[fmVTLPopup]\r\n"));
}

void TestSafeFileName::popupFileForHostileNickname()
{
    QTemporaryDir dir;
    const QString conf = dir.filePath(u"Conf"_s);
    QVERIFY(QDir().mkpath(conf));
    // The main settings file must not be taken over by a contact called VantrelMsg.
    QFile main(conf + u"/VantrelMsg.ini"_s);
    QVERIFY(main.open(QIODevice::WriteOnly));
    main.write("[VTLForm]\r\nS_Answering=x\r\n");
    main.close();

    for (const QString& nick : {u"../VantrelMsg"_s, u"VantrelMsg"_s, u"../../escape"_s, u".."_s}) {
        PopupSettingsFile file(conf, nick);
        QCOMPARE(QFileInfo(file.path()).absolutePath(), QFileInfo(conf).absoluteFilePath());
        QVERIFY(QFileInfo(file.path()).fileName() != u"VantrelMsg.ini"_s);
        QCOMPARE(file.memoMessageHeight(40), 40);
        file.setMemoMessageHeight(12);
        QVERIFY(file.save());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"Conf"_s});
    QVERIFY(main.open(QIODevice::ReadOnly));
    QCOMPARE(main.readAll(), QByteArray("[VTLForm]\r\nS_Answering=x\r\n"));

    // A save that cannot be made is reported.
    PopupSettingsFile blocked(conf + u"/VantrelMsg.ini"_s, u"Иван"_s); // "folder" is a file
    blocked.setMemoMessageHeight(1);
    QVERIFY(!blocked.save());
    QVERIFY(!blocked.lastError().isEmpty());
}

QTEST_GUILESS_MAIN(TestSafeFileName)
#include "test_safefilename.moc"
