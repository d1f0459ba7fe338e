#include "display/smileymatcher.h"
#include "display/smileytable.h"

#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::findSmileys;
using vantrel::SmileyEntry;
using vantrel::SmileyReplacement;
using vantrel::SmileyTable;

namespace {

QList<SmileyEntry> builtin()
{
    QList<SmileyEntry> entries;
    for (const QString& caption : SmileyTable::builtinCaptions())
        entries.append({caption, {}, {}});
    return entries;
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

class TestSmileyMatcher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void builtinSet_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");
        // The blank before a built-in sequence goes with the picture.
        QTest::newRow("after a word") << u"Привет :)"_s << u"Привет[0]"_s;
        QTest::newRow("glued to a word") << u"Привет:)"_s << u"Привет:)"_s;
        QTest::newRow("line start without blank") << u":) hi"_s << u":) hi"_s;
        QTest::newRow("line start with blank") << u" :) hi"_s << u"[0] hi"_s;
        QTest::newRow("several") << u"a :) b :) :("_s << u"a[0] b[0][2]"_s;
        QTest::newRow("nose variants") << u"x :-) :-( :-/ :-\\"_s << u"x[1][18][12][13]"_s;
        // " :D" (5) is searched before " :devil" (20) and " :drink" (32), ignoring case.
        QTest::newRow(":devil") << u"ну :devil"_s << u"ну[5]evil"_s;
        QTest::newRow(":DRINK") << u"ну :DRINK"_s << u"ну[5]RINK"_s;
        QTest::newRow(":d") << u"ну :d"_s << u"ну[5]"_s;
        // " :omg" (24) comes before " :O" (27) and is drawn as itself.
        QTest::newRow(":omg") << u"ой :omg"_s << u"ой[24]"_s;
        QTest::newRow(":OMG") << u"ой :OMG"_s << u"ой[24]"_s;
        QTest::newRow(":o") << u"ой :o"_s << u"ой[27]"_s;
        QTest::newRow("not whole words") << u"a :lolz"_s << u"a[4]z"_s;
        QTest::newRow("adjacent") << u" :) :) :)"_s << u"[0][0][0]"_s;
        QTest::newRow("lines of a message") << u"one :)\u2029 :( two"_s << u"one[0]\u2029[2] two"_s;
    }

    void builtinSet()
    {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        QCOMPARE(drawn(line, findSmileys(line, builtin())), expected);
    }

    void tableOrderDecidesOverlaps()
    {
        QCOMPARE(drawn(u"abc"_s, findSmileys(u"abc"_s, entries({u"ab"_s, u"bc"_s}))), u"[0]c"_s);
        QCOMPARE(drawn(u"abc"_s, findSmileys(u"abc"_s, entries({u"bc"_s, u"ab"_s}))), u"a[0]"_s);
        // A later, shorter sequence still finds what the earlier ones left.
        QCOMPARE(drawn(u"x:-) :)"_s, findSmileys(u"x:-) :)"_s, entries({u":-)"_s, u":)"_s}))), u"x[0] [1]"_s);
        // An earlier picture splits the text: "a" + picture + "b" does not match "ab".
        QCOMPARE(drawn(u"a:)b ab"_s, findSmileys(u"a:)b ab"_s, entries({u":)"_s, u"ab"_s}))), u"a[0]b [1]"_s);
    }

    void caseInsensitiveBeyondAscii()
    {
        const QString line = u"ну ПРИВЕТ и Привет"_s;
        QCOMPARE(drawn(line, findSmileys(line, entries({u"привет"_s}))), u"ну [0] и [0]"_s);
    }

    void emptyAndObjectSequencesAreSkipped()
    {
        const QString line = u"a\uFFFCb :)"_s;
        const auto found = findSmileys(line, entries({QString(), u"\uFFFC"_s, u":)"_s}));
        QCOMPARE(drawn(line, found), u"a\uFFFCb [2]"_s);
    }

    void positionsAreThoseOfTheLine()
    {
        const QString line = u"zz :D zz :( zz :D"_s;
        const auto found = findSmileys(line, builtin());
        QCOMPARE(found.size(), 3);
        QCOMPARE(found[0], (SmileyReplacement{2, 3, 5}));
        QCOMPARE(found[1], (SmileyReplacement{8, 3, 2}));
        QCOMPARE(found[2], (SmileyReplacement{14, 3, 5}));
    }

    // A picture that cannot be inserted leaves its text, and the search goes on behind it.
    void uninsertablePictureStaysText()
    {
        int calls = 0;
        const auto failFirst = [&](int) { return ++calls > 1; };
        const QString line = u"aaaa"_s;
        const auto found = findSmileys(line, entries({u"aa"_s}), failFirst);
        // The occurrence at 0 stays; the search goes on at 2, not at 1.
        QCOMPARE(drawn(line, found), u"aa[0]"_s);
        QCOMPARE(calls, 2);
    }

    void uninsertableTextIsSeenByLaterEntries()
    {
        const QString line = u"x >:( y"_s;
        const auto noFirst = [](int entry) { return entry != 0; };
        QCOMPARE(drawn(line, findSmileys(line, entries({u">:("_s, u":("_s}), noFirst)), u"x >[1] y"_s);
    }

    void failingPictureNeverRepeatsAnOccurrence()
    {
        const QString line = QString(u" :)"_s).repeated(1000);
        int calls = 0;
        const auto never = [&](int) {
            ++calls;
            return false;
        };
        QVERIFY(findSmileys(line, builtin(), never).isEmpty());
        QCOMPARE(calls, 1000);
    }
};

QTEST_GUILESS_MAIN(TestSmileyMatcher)
#include "test_smileymatcher.moc"
