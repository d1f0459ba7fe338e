#include "core/edgesnap.h"
#include "core/tags.h"
#include "core/textlines.h"
#include "core/utilities.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;

// The small stateless helpers of the core: layout retyping, sizes, addresses, lists, tag fields,
// line splitting, edge snapping, file sizes and versions.
class TestUtilities final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void retypesText()
    {
        // The two layouts key by key, as a user would read them off a keyboard.
        const QString us = u"qwertyuiop[]asdfghjkl;'zxcvbnm,.`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~@#$^&/?"_s;
        const QString ru = u"йцукенгшщзхъфывапролджэячсмитьбюёЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ\"№;:?.,"_s;
        QCOMPARE(us.size(), ru.size());
        for (qsizetype i = 0; i < us.size(); ++i) {
            QCOMPARE(LatinToCyrillic(us.mid(i, 1)), ru.mid(i, 1));
            QCOMPARE(CyrillicToLatin(ru.mid(i, 1)), us.mid(i, 1));
        }
        QCOMPARE(LatinToCyrillic(u"Ghbdtn? rfr ltkf&"_s), u"Привет, как дела?"_s);
        QCOMPARE(CyrillicToLatin(u"Привет, как дела?"_s), u"Ghbdtn? rfr ltkf&"_s);
        // Characters outside the tables, including ones that only the other table knows, stay.
        const QString other = u"!1 9-=_+\\|ЇїЄ€日\r\n"_s;
        QCOMPARE(LatinToCyrillic(other + u"привет"_s), other + u"привет"_s);
        QCOMPARE(CyrillicToLatin(other + u"hello"_s), other + u"hello"_s);
    }

    void formatsFileSize_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        const qint64 mib = 1024 * 1024;
        const qint64 gib = mib * 1024;
        for (const QString& name : {u"C"_s, u"en_US"_s}) {
            const QByteArray tag = name.toLatin1();
            QTest::addRow("%s 1000 bytes ungrouped", tag.constData())
                << name << qint64(1000) << u"1000 байт"_s;
            QTest::addRow("%s 1023", tag.constData()) << name << qint64(1023) << u"1023 байт"_s;
            QTest::addRow("%s 1024", tag.constData()) << name << qint64(1024) << u"1 КБ"_s;
            QTest::addRow("%s 1536", tag.constData()) << name << qint64(1536) << u"1.5 КБ"_s;
            QTest::addRow("%s kib rounds up to 1,024", tag.constData()) << name << mib - 1 << u"1,024 КБ"_s;
            QTest::addRow("%s half away from zero", tag.constData()) << name << mib + mib / 4 << u"1.3 МБ"_s;
            QTest::addRow("%s gib two decimals", tag.constData()) << name << gib + gib / 8 << u"1.13 ГБ"_s;
            QTest::addRow("%s trailing zero dropped", tag.constData())
                << name << gib + gib / 2 << u"1.5 ГБ"_s;
            QTest::addRow("%s largest", tag.constData())
                << name << std::numeric_limits<qint64>::max() << u"8,589,934,592 ГБ"_s;
        }
        // The Russian locale has its own decimal point and group separator.
        const QString group = QLocale(u"ru_RU"_s).groupSeparator();
        QTest::newRow("ru_RU 1536") << u"ru_RU"_s << qint64(1536) << u"1,5 КБ"_s;
        QTest::newRow("ru_RU grouped")
            << u"ru_RU"_s << gib * 1234567 << u"1"_s + group + u"234"_s + group + u"567 ГБ"_s;
    }
    void formatsFileSize()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QCOMPARE(FormatFileSize(size, locale == u"C"_s ? QLocale::c() : QLocale(locale)), expected);
    }

    void recognisesIpAddresses()
    {
        for (const QString& yes : {u"192.168.0.1"_s, u"1..."_s, u"999.999.999.999"_s})
            QVERIFY2(IsIPAddress(yes), qPrintable(yes));
        for (const QString& no :
             {u"192.168.0"_s, u"1.2.3.4.5"_s, u"host.1.2.3"_s, u"192.168.0.1 "_s, QString(), u"١.٢.٣.٤"_s})
            QVERIFY2(!IsIPAddress(no), qPrintable(no));
    }

    void splitsLists()
    {
        QCOMPARE(SplitToList(u" a ; ;b ;"_s, u';'), (QStringList{u"a"_s, u"b"_s}));
        QCOMPARE(SplitToList(u"\tc d\r\n;\ta"_s, u';'), (QStringList{u"c d"_s, u"a"_s}));
        QCOMPARE(SplitToList(u" pc1 "_s, u';'), QStringList{u"pc1"_s});
        QCOMPARE(SplitToList(u";;;"_s, u';'), QStringList());
    }

    void readsTagFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second field")
            << u"MESSAGE"_s << u"<FROM>pc1</FROM><MESSAGE>hi</MESSAGE>"_s << u"hi"_s;
        QTest::newRow("missing open") << u"FROM"_s << u"pc1</FROM>"_s << QString();
        QTest::newRow("missing close") << u"FROM"_s << u"<FROM>pc1"_s << QString();
        QTest::newRow("close before open") << u"FROM"_s << u"</FROM>x<FROM>pc1</FROM>"_s << QString();
        QTest::newRow("first of two") << u"FROM"_s << u"<FROM>a</FROM><FROM>b</FROM>"_s << u"a"_s;
        QTest::newRow("case matters") << u"FROM"_s << u"<from>x</from>"_s << QString();
        QTest::newRow("prefix name") << u"FILE"_s << u"<FILE_SIZE>10</FILE_SIZE><FILE>c:\\a</FILE>"_s
                                     << u"c:\\a"_s;
        QTest::newRow("cut at own closing tag")
            << u"MESSAGE"_s << u"<MESSAGE>a</MESSAGE>b</MESSAGE>"_s << u"a"_s;
        // Values written by MakeTag among other fields read back exactly.
        for (const QString& v : {u"with\r\nbreaks"_s, u"<OTHER>x</OTHER>"_s, u"Привет -->"_s})
            QTest::addRow("built %s", qPrintable(v))
                << u"MESSAGE"_s << MakeTag(u"FROM", u"x") + MakeTag(u"MESSAGE", v) + MakeTag(u"DATE", u"d")
                << v;
    }
    void readsTagFields()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TagValue(name, text), expected);
    }

    void splitsTextLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("crlf") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lf, last line open") << u"a\nb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("cr only") << u"a\rb\r"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("empty lines kept") << u"a\r\n\r\n\nb"_s << QStringList{u"a"_s, {}, {}, u"b"_s};
        QTest::newRow("lf cr is two ends") << u"a\n\rb"_s << QStringList{u"a"_s, {}, u"b"_s};
        QTest::newRow("only a line end") << u"\r\n"_s << QStringList{QString()};
    }
    void splitsTextLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QStringList got;
        for (const QStringView line : SplitTextLines(text))
            got << line.toString();
        QCOMPARE(got, lines);
    }

    void snapsToWorkArea_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        // Work area 0,0 1000x700 (a task bar took the bottom).
        QTest::newRow("far from edges stays") << QRect(300, 200, 200, 300) << QRect(300, 200, 200, 300);
        QTest::newRow("left within 20") << QRect(19, 200, 200, 300) << QRect(0, 200, 200, 300);
        QTest::newRow("left exactly 20 stays") << QRect(20, 200, 200, 300) << QRect(20, 200, 200, 300);
        QTest::newRow("left beyond") << QRect(-50, 200, 200, 300) << QRect(0, 200, 200, 300);
        QTest::newRow("right within 20") << QRect(785, 200, 200, 300) << QRect(800, 200, 200, 300);
        QTest::newRow("top") << QRect(300, 5, 200, 300) << QRect(300, 0, 200, 300);
        QTest::newRow("bottom beyond task bar") << QRect(300, 500, 200, 300) << QRect(300, 400, 200, 300);
        // Once one edge snapped the window is pushed fully inside.
        QTest::newRow("left and bottom together") << QRect(10, 650, 200, 300) << QRect(0, 400, 200, 300);
    }
    void snapsToWorkArea()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        QCOMPARE(SnapToWorkArea(window, QRect(0, 0, 1000, 700), 20), expected);
        // The same on a second screen to the right, below a panel at its top.
        QCOMPARE(SnapToWorkArea(window.translated(1920, 30), QRect(1920, 30, 1000, 700), 20),
                 expected.translated(1920, 30));
    }

    void readsFileSizes()
    {
        QTemporaryDir dir;
        QCOMPARE(GetFileSize64(dir.filePath(u"missing.bin"_s)), qint64(0));
        QCOMPARE(GetFileSize64(QString()), qint64(0));
        QCOMPARE(GetFileSize64(dir.path()), qint64(0));
        // A sparse file beyond 4 GiB checks that no 32-bit truncation happens.
        const qint64 big = (qint64(5) << 30) + 7;
        QFile sparse(dir.filePath(u"big.bin"_s));
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        if (!sparse.resize(big))
            QSKIP("The temporary file system cannot hold a sparse file of 5 GiB");
        sparse.close();
        QCOMPARE(GetFileSize64(sparse.fileName()), big);
    }

    void versionTexts()
    {
        const QString version = ProgramVersionText();
        QVERIFY2(QRegularExpression(u"^\\d+\\.\\d+\\.\\d+\\.\\d+$"_s).match(version).hasMatch(),
                 qPrintable(version));
        QVERIFY(version.startsWith(QString::fromLatin1(VANTREL_VERSION)));
        QCOMPARE(GetFileVersionText(QCoreApplication::applicationFilePath()), version);
        QTemporaryDir dir;
        const QString other = dir.filePath(u"other"_s);
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), other));
        QCOMPARE(GetFileVersionText(other), QString());
        QCOMPARE(GetFileVersionText(dir.filePath(u"missing"_s)), QString());
    }
};

QTEST_GUILESS_MAIN(TestUtilities)
#include "test_utilities.moc"
