#include "settings/popupsettings.h"
#include "settings/safefilename.h"

#include "common/testfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using vantrel::MaxStemBytes;
using vantrel::PopupSettingsFile;
using vantrel::SafeFileName;

class TestSafeFileName final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void safeNamesAreUnchanged()
    {
        for (const QString& name :
             {u"Иван Петров"_s, u"user.name"_s, u".hidden"_s, u"a..b"_s, u"CONSOLE"_s, u"COM10"_s,
              u"my con"_s, u"😀 smile"_s, QString(200, u'x'), u"VantrelMsg2"_s})
            QCOMPARE(SafeFileName(name), name);
        QCOMPARE(SafeFileName(u"a\\b%/"_s), u"a%5Cb%25%2F"_s);
        QCOMPARE(SafeFileName(u"name. "_s), u"name%2E%20"_s);
        QCOMPARE(SafeFileName(u"nul.txt"_s), u"nul_.txt"_s);
        QCOMPARE(SafeFileName(QString()), u"_"_s);
        const QString longName = SafeFileName(QString(300, u'ж'));
        QCOMPARE(longName.toUtf8().size(), 199); // 95 two-byte letters, '~' and eight hex digits
        QVERIFY(longName.startsWith(QString(95, u'ж') + u'~'));
    }

    void hostileNamesStayInsideTheFolderAndApart()
    {
        const QString longCyrillic(150, u'я'); // 300 bytes in UTF-8
        const QStringList names{u"../../etc/passwd"_s,
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
                                QString(300, u'%')};
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        for (const QString& name : names) {
            const QString stem = SafeFileName(name);
            QVERIFY2(stem != name && !stem.isEmpty() && stem.toUtf8().size() <= MaxStemBytes,
                     qPrintable(stem));
            for (const QChar c : stem)
                QVERIFY2(c.unicode() >= 0x20 && c != u'/' && c != u'\\' && !c.isSurrogate(),
                         qPrintable(stem));
            // Create the file for real and see where it landed.
            const QString path = dir.filePath(stem + u".ini"_s);
            writeAll(path, {});
            QCOMPARE(QFileInfo(path).canonicalPath(), root);
        }
        // One file per name (no two names share a file), and nothing anywhere else.
        const QStringList created =
            QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(created.size(), names.size());
        for (const QString& entry : created)
            QVERIFY(QFileInfo(root + u'/' + entry).isFile());
        // Long names that differ only past the cut get different stems.
        QVERIFY(SafeFileName(QString(250, u'q') + u'1') != SafeFileName(QString(250, u'q') + u'2'));
    }

    // No two names share a stem: names that look like another name's mapping are mapped
    // themselves, and long names are cut before they are mapped.
    void mappingIsOneToOne()
    {
        const QString longName = QString(300, u'q');
        QStringList names{u".."_s,           u"%2E%2E"_s,        u"%2e%2e"_s, u"a/b"_s,
                          u"a%2Fb"_s,        u"CON"_s,           u"CON_"_s,   u"CON__"_s,
                          u"nul.txt"_s,      u"nul_.txt"_s,      QString(),   u"_"_s,
                          u"__"_s,           u"_.log"_s,         u"100%"_s,   u"100%25"_s,
                          u"x."_s,           u"x%2E"_s,          longName,    SafeFileName(longName),
                          u"abc~0123abcd"_s, u"abc%7E0123abcd"_s};
        // Every combination of a few troublesome pieces.
        const QStringList pieces{u"%"_s, u"2E"_s, u"_"_s, u"."_s, u" "_s, u"CON"_s, u"/"_s, u"~"_s};
        for (const QString& a : pieces) {
            for (const QString& b : pieces) {
                for (const QString& c : pieces)
                    names.append(a + b + c);
            }
        }
        names.removeDuplicates();
        QHash<QString, QString> seen;
        for (const QString& name : std::as_const(names)) {
            const QString stem = SafeFileName(name);
            QVERIFY2(!seen.contains(stem),
                     qPrintable(name + u" and "_s + seen.value(stem) + u" -> "_s + stem));
            seen.insert(stem, name);
        }
        // Unchanged where nothing needs mapping.
        QCOMPARE(SafeFileName(u"100%"_s), u"100%"_s);
        QCOMPARE(SafeFileName(u"%2E%2E"_s), u"%252E%252E"_s);
        QCOMPARE(SafeFileName(u"CON_"_s), u"CON__"_s);
        QCOMPARE(SafeFileName(u"_"_s), u"__"_s);

        // A name of millions of characters: only its start is mapped, its whole hashed.
        const QString huge = QString(8 * 1024 * 1024, u'я');
        const QString stem = SafeFileName(huge);
        QVERIFY(stem.toUtf8().size() <= MaxStemBytes);
        QVERIFY(stem != SafeFileName(huge + u'!'));
    }

    void popupFileForHostileNickname()
    {
        QTemporaryDir dir;
        const QString conf = dir.filePath(u"Conf"_s);
        QVERIFY(QDir().mkpath(conf));
        // The main settings file must not be taken over by a contact called VantrelMsg.
        const QByteArray mainText = "[VTLForm]\r\nS_Answering=x\r\n";
        writeAll(conf + u"/VantrelMsg.ini"_s, mainText);
        for (const QString& nick : {u"../VantrelMsg"_s, u"VantrelMsg"_s, u"../../escape"_s, u".."_s}) {
            PopupSettingsFile file(conf, nick);
            QCOMPARE(QFileInfo(file.path()).absolutePath(), QFileInfo(conf).absoluteFilePath());
            QCOMPARE(file.memoMessageHeight(40), 40);
            file.setMemoMessageHeight(12);
            QVERIFY(file.save());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{u"Conf"_s});
        QCOMPARE(PopupSettingsFile(conf, u"Иван"_s).path(), conf + u"/Иван.ini"_s);
        QCOMPARE(readAll(conf + u"/VantrelMsg.ini"_s), mainText);

        // A save that cannot be made is reported.
        PopupSettingsFile blocked(conf + u"/VantrelMsg.ini"_s, u"Иван"_s); // "folder" is a file
        blocked.setMemoMessageHeight(1);
        QVERIFY(!blocked.save());
        QVERIFY(!blocked.lastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSafeFileName)
#include "test_safefilename.moc"
