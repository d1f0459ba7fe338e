#include "core/utilities.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// The two layouts key by key, as a user would read them off a keyboard.
const QString kUsKeys = u"qwertyuiop[]asdfghjkl;'zxcvbnm,.`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~@#$^&/?"_s;
const QString kRuKeys = u"йцукенгшщзхъфывапролджэячсмитьбюёЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ\"№;:?.,"_s;

QLocale localeNamed(const QString& name)
{
    return name == u"C"_s ? QLocale::c() : QLocale(name);
}

} // namespace

class TestUtilities final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void retypesText_data()
    {
        QTest::addColumn<QString>("latin");
        QTest::addColumn<QString>("cyrillic");
        QTest::newRow("greeting") << u"ghbdtn"_s << u"привет"_s;
        QTest::newRow("hello") << u"hello"_s << u"руддщ"_s;
        QTest::newRow("capitals") << u"Ghbdtn"_s << u"Привет"_s;
        QTest::newRow("slash and full stop") << u"/"_s << u"."_s;
        QTest::newRow("digits and blanks stay") << u"12 34\t5"_s << u"12 34\t5"_s;
        QTest::newRow("shifted punctuation") << u"@#$^&/?"_s << u"\"№;:?.,"_s;
        QTest::newRow("yo keys") << u"`~"_s << u"ёЁ"_s;
        QTest::newRow("sentence") << u"Ghbdtn? rfr ltkf&"_s << u"Привет, как дела?"_s;
    }
    void retypesText()
    {
        QFETCH(QString, latin);
        QFETCH(QString, cyrillic);
        QCOMPARE(LatinToCyrillic(latin), cyrillic);
        QCOMPARE(CyrillicToLatin(cyrillic), latin);
    }

    void tablesAreExactInverses()
    {
        QCOMPARE(kUsKeys.size(), 73);
        QCOMPARE(kRuKeys.size(), 73);
        for (qsizetype i = 0; i < kUsKeys.size(); ++i) {
            const QString us(kUsKeys[i]);
            const QString ru(kRuKeys[i]);
            QCOMPARE(LatinToCyrillic(us), ru);
            QCOMPARE(CyrillicToLatin(ru), us);
            QCOMPARE(CyrillicToLatin(LatinToCyrillic(us)), us);
        }
    }

    void leavesOtherCharactersAlone()
    {
        // Characters outside the tables, including ones that only one table knows.
        const QString other = u"!1 9-=_+\\|ЇїЄ€日\r\n"_s;
        QCOMPARE(LatinToCyrillic(other), other);
        QCOMPARE(CyrillicToLatin(other), other);
        // Cyrillic letters are not touched by the Latin table, nor Latin letters by the Cyrillic one.
        QCOMPARE(LatinToCyrillic(u"привет"_s), u"привет"_s);
        QCOMPARE(CyrillicToLatin(u"hello"_s), u"hello"_s);
        QCOMPARE(LatinToCyrillic(QString()), QString());
    }

    void formatsFileSize_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("expected");
        const qint64 kib = 1024;
        const qint64 mib = kib * 1024;
        const qint64 gib = mib * 1024;
        for (const QString& name : {u"C"_s, u"en_US"_s}) {
            const QByteArray tag = name.toLatin1();
            QTest::addRow("%s zero", tag.constData()) << name << qint64(0) << u"0 байт"_s;
            QTest::addRow("%s 1000 bytes ungrouped", tag.constData())
                << name << qint64(1000) << u"1000 байт"_s;
            QTest::addRow("%s 1023", tag.constData()) << name << qint64(1023) << u"1023 байт"_s;
            QTest::addRow("%s 1024", tag.constData()) << name << kib << u"1 КБ"_s;
            QTest::addRow("%s 1536", tag.constData()) << name << qint64(1536) << u"1.5 КБ"_s;
            QTest::addRow("%s kib rounds up to 1,024", tag.constData()) << name << mib - 1 << u"1,024 КБ"_s;
            QTest::addRow("%s half rounds away from zero", tag.constData())
                << name << mib + mib / 4 << u"1.3 МБ"_s;
            QTest::addRow("%s 1048576", tag.constData()) << name << mib << u"1 МБ"_s;
            QTest::addRow("%s 1073741824", tag.constData()) << name << gib << u"1 ГБ"_s;
            QTest::addRow("%s gib two decimals", tag.constData()) << name << gib + gib / 8 << u"1.13 ГБ"_s;
            QTest::addRow("%s gib trailing zero dropped", tag.constData())
                << name << gib + gib / 2 << u"1.5 ГБ"_s;
            QTest::addRow("%s tebibyte grouped", tag.constData()) << name << gib * 1024 << u"1,024 ГБ"_s;
            QTest::addRow("%s largest", tag.constData())
                << name << std::numeric_limits<qint64>::max() << u"8,589,934,592 ГБ"_s;
        }
    }
    void formatsFileSize()
    {
        QFETCH(QString, locale);
        QFETCH(qint64, size);
        QFETCH(QString, expected);
        QCOMPARE(FormatFileSize(size, localeNamed(locale)), expected);
    }

    void formatsFileSizeRussian()
    {
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        const QString group = russian.groupSeparator();
        QVERIFY(!group.isEmpty());
        QCOMPARE(FormatFileSize(1536, russian), u"1,5 КБ"_s);
        QCOMPARE(FormatFileSize(1023, russian), u"1023 байт"_s);
        QCOMPARE(FormatFileSize(1073741824, russian), u"1 ГБ"_s);
        QCOMPARE(FormatFileSize(qint64(1) << 40, russian), u"1"_s + group + u"024 ГБ"_s);
        QCOMPARE(FormatFileSize((qint64(1) << 30) * 1234567, russian),
                 u"1"_s + group + u"234"_s + group + u"567 ГБ"_s);
    }

    void recognisesIpAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("address") << u"192.168.0.1"_s << true;
        QTest::newRow("digit and three dots") << u"1..."_s << true;
        QTest::newRow("values not checked") << u"999.999.999.999"_s << true;
        QTest::newRow("three parts") << u"192.168.0"_s << false;
        QTest::newRow("five parts") << u"1.2.3.4.5"_s << false;
        QTest::newRow("host name") << u"host.1.2.3"_s << false;
        QTest::newRow("blank") << u"192.168.0.1 "_s << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("non-ASCII digits") << u"١.٢.٣.٤"_s << false;
    }
    void recognisesIpAddresses()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(IsIPAddress(text), expected);
    }

    void splitsLists_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("blanks and empties") << u" a ; ;b ;"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("tabs and line breaks trimmed") << u"\ta\r\n;\tb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("inner blanks kept") << u"a b ;c"_s << QStringList{u"a b"_s, u"c"_s};
        QTest::newRow("no delimiter") << u" pc1 "_s << QStringList{u"pc1"_s};
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("only delimiters") << u";;;"_s << QStringList();
        QTest::newRow("order kept") << u"c;b;a"_s << QStringList{u"c"_s, u"b"_s, u"a"_s};
    }
    void splitsLists()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(SplitToList(text, u';'), expected);
    }

    void readsFileSizes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(GetFileSize64(dir.filePath(u"missing.bin"_s)), qint64(0));
        QCOMPARE(GetFileSize64(QString()), qint64(0));
        QCOMPARE(GetFileSize64(dir.path()), qint64(0));

        QFile small(dir.filePath(u"small.txt"_s));
        QVERIFY(small.open(QIODevice::WriteOnly));
        QCOMPARE(small.write("12345"), qint64(5));
        small.close();
        QCOMPARE(GetFileSize64(small.fileName()), qint64(5));

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
        QVERIFY(dir.isValid());
        const QString other = dir.filePath(u"other"_s);
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), other));
        QCOMPARE(GetFileVersionText(other), QString());
        QCOMPARE(GetFileVersionText(dir.filePath(u"missing"_s)), QString());
        QCOMPARE(GetFileVersionText(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(TestUtilities)
#include "test_utilities.moc"
