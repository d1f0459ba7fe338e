#include "core/tags.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::MakeTag;
using vantrel::TagValue;

class TestTags final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString body = u"<FROM>pc1</FROM><MESSAGE>hi</MESSAGE>"_s;
        QTest::newRow("first field") << u"FROM"_s << body << u"pc1"_s;
        QTest::newRow("second field") << u"MESSAGE"_s << body << u"hi"_s;
        QTest::newRow("missing open") << u"FROM"_s << u"pc1</FROM>"_s << QString();
        QTest::newRow("missing close") << u"FROM"_s << u"<FROM>pc1"_s << QString();
        QTest::newRow("empty text") << u"FROM"_s << QString() << QString();
        QTest::newRow("empty value") << u"FROM"_s << u"<FROM></FROM>"_s << QString();
        QTest::newRow("close before open") << u"FROM"_s << u"</FROM>x<FROM>pc1</FROM>"_s << QString();
        QTest::newRow("first of two") << u"FROM"_s << u"<FROM>a</FROM><FROM>b</FROM>"_s << u"a"_s;
        QTest::newRow("line breaks kept")
            << u"MESSAGE"_s << u"<MESSAGE>a\r\nb\r\n</MESSAGE>"_s << u"a\r\nb\r\n"_s;
        QTest::newRow("case matters") << u"FROM"_s << u"<from>x</from>"_s << QString();
        QTest::newRow("prefix name does not match")
            << u"FILE"_s << u"<FILE_SIZE>10</FILE_SIZE>"_s << QString();
        QTest::newRow("prefix name among others")
            << u"FILE"_s << u"<FILE_SIZE>10</FILE_SIZE><FILE>c:\\a.txt</FILE>"_s << u"c:\\a.txt"_s;
        QTest::newRow("value cut at own closing tag")
            << u"MESSAGE"_s << u"<MESSAGE>a</MESSAGE>b</MESSAGE>"_s << u"a"_s;
        QTest::newRow("cyrillic") << u"MESSAGE"_s << u"<MESSAGE>Привет</MESSAGE>"_s << u"Привет"_s;
    }
    void readsFields()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(TagValue(name, text), expected);
    }

    void buildsAndReadsBack()
    {
        QCOMPARE(MakeTag(u"FILE", u""), u"<FILE></FILE>"_s);
        QCOMPARE(MakeTag(u"FROM", u"PC-12"), u"<FROM>PC-12</FROM>"_s);
        const QStringList values{u"plain"_s, u"with\r\nbreaks"_s, u"<OTHER>x</OTHER>"_s, u"Привет -->"_s};
        for (const QString& v : values) {
            const QString body = MakeTag(u"FROM", u"x") + MakeTag(u"MESSAGE", v) + MakeTag(u"DATE", u"d");
            QCOMPARE(TagValue(u"MESSAGE", body), v);
        }
    }
};

QTEST_GUILESS_MAIN(TestTags)
#include "test_tags.moc"
