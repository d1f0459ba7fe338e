#include "core/textlines.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTextLines final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QString() << QStringList{};
        QTest::newRow("crlf") << u"a\r\nb\r\n"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("lf, last line open") << u"a\nb"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("cr only") << u"a\rb\r"_s << QStringList{u"a"_s, u"b"_s};
        QTest::newRow("empty lines kept")
            << u"a\r\n\r\n\nb"_s << QStringList{u"a"_s, QString(), QString(), u"b"_s};
        QTest::newRow("lf cr is two ends") << u"a\n\rb"_s << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::newRow("only a line end") << u"\r\n"_s << QStringList{QString()};
    }
    void splits()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QStringList got;
        for (const QStringView line : vantrel::SplitTextLines(text))
            got << line.toString();
        QCOMPARE(got, lines);
    }
};

QTEST_GUILESS_MAIN(TestTextLines)
#include "test_textlines.moc"
