#include "common/testfiles.h"
#include "contacts/contactitem.h"
#include "contacts/contactlistfile.h"
#include "contacts/contacttree.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::ContactItem;
using vantrel::ContactListFile;
using vantrel::ContactTree;

namespace {

// "level|text" per node, for compact comparisons.
QStringList outline(const ContactTree& tree)
{
    QStringList out;
    for (const ContactTree::Node& node : tree.nodes())
        out.append(u"%1|%2"_s.arg(node.level).arg(node.text));
    return out;
}

} // namespace

class TestContactListFile final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsContactItems_data();
    void splitsContactItems();
    void groupTexts();
    void buildsTreeFromIndentation_data();
    void buildsTreeFromIndentation();
    void badLevelFailsTheLoad();
    void readsFilesFromElsewhere_data();
    void readsFilesFromElsewhere();
    void windows1251TableMatchesCodePage();
    void writesBomCrLfAndTabs();
    void roundTripIsByteExact();
    void removingSubtreeKeepsParentsRight();
    void saveIsAtomicOnFullDisk();
    void refusesOversizedAndMissingFiles();
};

void TestContactListFile::splitsContactItems_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("bare name") << u"PC1"_s << QStringList{u"PC1"_s, u"PC1"_s, {}, u"1"_s};
    QTest::newRow("two fields") << u"PC1;Вася"_s << QStringList{u"PC1"_s, u"Вася"_s, {}, u"1"_s};
    QTest::newRow("three fields") << u"PC1;Вася;10.0.0.7"_s
                                  << QStringList{u"PC1"_s, u"Вася"_s, u"10.0.0.7"_s, u"1"_s};
    QTest::newRow("auto-IP off, no IP") << u"PC1;Вася;;0"_s << QStringList{u"PC1"_s, u"Вася"_s, {}, u"0"_s};
    QTest::newRow("full") << u"PC1;Вася;192.168.0.5;0"_s
                          << QStringList{u"PC1"_s, u"Вася"_s, u"192.168.0.5"_s, u"0"_s};
    QTest::newRow("flag takes the rest") << u"a;b;c;0;x"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"0;x"_s};
    QTest::newRow("empty line") << QString() << QStringList{{}, {}, {}, u"1"_s};
    QTest::newRow("empty name") << u";Ник"_s << QStringList{{}, u"Ник"_s, {}, u"1"_s};
    QTest::newRow("trailing separator") << u"PC1;"_s << QStringList{u"PC1"_s, {}, {}, u"1"_s};
    QTest::newRow("group") << u"[ОТДЕЛ КАДРОВ]"_s
                           << QStringList{u"[ОТДЕЛ КАДРОВ]"_s, u"[ОТДЕЛ КАДРОВ]"_s, {}, u"1"_s};
    QTest::newRow("group with separator") << u"[A;B]"_s << QStringList{u"[A;B]"_s, u"[A;B]"_s, {}, u"1"_s};
}

void TestContactListFile::splitsContactItems()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    const ContactItem item = ContactItem::fromLine(line);
    QCOMPARE((QStringList{item.compName, item.nick, item.ip, item.refIp}), fields);
}

void TestContactListFile::groupTexts()
{
    QVERIFY(ContactItem::isGroupText(u"[X]"));
    QVERIFY(ContactItem::isGroupText(u"[]"));
    QVERIFY(!ContactItem::isGroupText(u""));
    QVERIFY(!ContactItem::isGroupText(u"["));
    QVERIFY(!ContactItem::isGroupText(u"]"));
    QVERIFY(!ContactItem::isGroupText(u"[X"));
    QVERIFY(!ContactItem::isGroupText(u" [X]"));
    QCOMPARE(ContactItem::displayText(u"[ОТДЕЛ]"), u"ОТДЕЛ"_s);
    QCOMPARE(ContactItem::displayText(u"PC1;Вася;1.2.3.4"), u"Вася"_s);
    QCOMPARE(ContactItem::displayText(u"PC1"), u"PC1"_s);
}

void TestContactListFile::buildsTreeFromIndentation_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("nodes");
    QTest::addColumn<QList<int>>("parents");

    QTest::newRow("group with tab-indented members")
        << "[GROUP]\r\n\tPC1;A\r\n\tPC2;B\r\nPC3\r\n"_ba
        << QStringList{u"0|[GROUP]"_s, u"1|PC1;A"_s, u"1|PC2;B"_s, u"0|PC3"_s} << QList<int>{-1, 0, 0, -1};
    QTest::newRow("blank counts like tab")
        << "[GROUP]\r\n PC1\r\n\tPC2\r\n"_ba << QStringList{u"0|[GROUP]"_s, u"1|PC1"_s, u"1|PC2"_s}
        << QList<int>{-1, 0, 0};
    QTest::newRow("deeper levels kept")
        << "A\r\n\tB\r\n\t\tC\r\n\t \tD\r\n\tE\r\nF\r\n"_ba
        << QStringList{u"0|A"_s, u"1|B"_s, u"2|C"_s, u"3|D"_s, u"1|E"_s, u"0|F"_s}
        << QList<int>{-1, 0, 1, 2, 0, -1};
    QTest::newRow("climbing several levels at once")
        << "A\r\n\tB\r\n\t\tC\r\nD\r\n"_ba << QStringList{u"0|A"_s, u"1|B"_s, u"2|C"_s, u"0|D"_s}
        << QList<int>{-1, 0, 1, -1};
    QTest::newRow("empty lines are empty contacts")
        << "PC1\r\n\r\n[G]\r\n\tPC2\r\n\r\n"_ba
        << QStringList{u"0|PC1"_s, u"0|"_s, u"0|[G]"_s, u"1|PC2"_s, u"0|"_s} << QList<int>{-1, -1, -1, 2, -1};
    QTest::newRow("first line is top-level whatever its indent")
        << "\tA\r\n\tB\r\n"_ba << QStringList{u"0|A"_s, u"1|B"_s} << QList<int>{-1, 0};
    QTest::newRow("trailing blanks are text") << "PC1 \r\n"_ba << QStringList{u"0|PC1 "_s} << QList<int>{-1};
    QTest::newRow("empty file") << QByteArray() << QStringList() << QList<int>();
    QTest::newRow("bom only") << "\xEF\xBB\xBF"_ba << QStringList() << QList<int>();
}

void TestContactListFile::buildsTreeFromIndentation()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, nodes);
    QFETCH(QList<int>, parents);
    const ContactListFile::LoadResult result = ContactListFile::parse(data);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.error.isEmpty());
    QCOMPARE(outline(result.tree), nodes);
    QList<int> gotParents;
    for (const ContactTree::Node& node : result.tree.nodes())
        gotParents.append(node.parent);
    QCOMPARE(gotParents, parents);
}

void TestContactListFile::badLevelFailsTheLoad()
{
    ContactListFile::LoadResult result = ContactListFile::parse("[G]\r\n\t\tPC1;Вася\r\nPC2\r\n"_ba);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, u"Invalid level (2) for item \"PC1;Вася\""_s);
    QVERIFY(result.tree.isEmpty());

    // Deeper by more than one below a nested node, counted from the previous node's level.
    result = ContactListFile::parse("A\r\n\tB\r\n    C\r\n"_ba);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, u"Invalid level (4) for item \"C\""_s);
}

void TestContactListFile::readsFilesFromElsewhere_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray utf8 = u"[ОТДЕЛ]\r\n\tPC1;Вася\r\n\tPC2;Пётр;10.0.0.2;0\r\n"_s.toUtf8();
    QTest::newRow("utf-8 with bom") << "\xEF\xBB\xBF"_ba + utf8;
    QTest::newRow("utf-8 without bom") << utf8;
    // The same text as Windows-1251 bytes, as a Windows machine's editor saves it.
    QTest::newRow("windows-1251") << "[\xCE\xD2\xC4\xC5\xCB]\r\n\tPC1;\xC2\xE0\xF1\xFF\r\n"
                                     "\tPC2;\xCF\xB8\xF2\xF0;10.0.0.2;0\r\n"_ba;
    QTest::newRow("lf only") << QByteArray(utf8).replace("\r\n", "\n");
    QTest::newRow("cr only") << QByteArray(utf8).replace("\r\n", "\r");
    QTest::newRow("last line without line end") << utf8.chopped(2);
    QTest::newRow("mixed line ends") << u"[ОТДЕЛ]\n\tPC1;Вася\r\tPC2;Пётр;10.0.0.2;0"_s.toUtf8();
    QStringEncoder utf16(QStringConverter::Utf16LE);
    QTest::newRow("utf-16 with bom") << "\xFF\xFE"_ba + QByteArray(utf16.encode(QString::fromUtf8(utf8)));
}

void TestContactListFile::readsFilesFromElsewhere()
{
    QFETCH(QByteArray, data);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"list.vtl"_s);
    writeAll(path, data);
    const ContactListFile::LoadResult result = ContactListFile::load(path);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(outline(result.tree),
             (QStringList{u"0|[ОТДЕЛ]"_s, u"1|PC1;Вася"_s, u"1|PC2;Пётр;10.0.0.2;0"_s}));
}

void TestContactListFile::windows1251TableMatchesCodePage()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString ours = ContactListFile::decodeWindows1251(all);
    QCOMPARE(ours.size(), 256);
    QCOMPARE(ours.mid(0xC0, 4), u"АБВГ"_s);
    QCOMPARE(ours.at(0xA8), QChar(u'Ё'));
    QCOMPARE(ours.at(0xB8), QChar(u'ё'));
    QCOMPARE(ours.at(0xB9), QChar(u'№'));
    QCOMPARE(ours.at(0xFF), QChar(u'я'));
    QStringDecoder system("windows-1251");
    if (!system.isValid())
        QSKIP("this Qt build has no Windows-1251 conversion to compare with");
    const QString theirs = system.decode(all);
    QCOMPARE(theirs.size(), 256);
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) // unassigned in the code page; conversions disagree on its stand-in
            continue;
        QVERIFY2(ours.at(b) == theirs.at(b), qPrintable(u"byte 0x%1"_s.arg(b, 2, 16)));
    }
}

void TestContactListFile::writesBomCrLfAndTabs()
{
    ContactTree tree;
    QVERIFY(tree.appendLine(0, u"[ОТДЕЛ]"_s));
    QVERIFY(tree.appendLine(1, u"PC1"_s));
    QVERIFY(tree.appendLine(1, u"PC2;Вася;;0"_s));
    QVERIFY(tree.appendLine(2, u"deep"_s));
    QVERIFY(tree.appendLine(0, QString()));
    QCOMPARE(ContactListFile::serialize(tree),
             "\xEF\xBB\xBF"_ba + u"[ОТДЕЛ]\r\n\tPC1\r\n\tPC2;Вася;;0\r\n\t\tdeep\r\n\r\n"_s.toUtf8());
    QCOMPARE(ContactListFile::serialize(ContactTree()), "\xEF\xBB\xBF"_ba);
}

void TestContactListFile::roundTripIsByteExact()
{
    // A file as this program writes it reads back and writes again unchanged.
    const QByteArray written =
        "\xEF\xBB\xBF"_ba + u"PC1\r\nPC1;Вася\r\n[Г1]\r\n\tPC2;Пётр;10.0.0.2;0\r\n\t\tX\r\n"
                            u"\r\n[ПУСТАЯ]\r\nlast;Ник;;1\r\n"_s.toUtf8();
    QTemporaryDir dir;
    const QString path = dir.filePath(u"compnames.vtl"_s);
    writeAll(path, written);
    const ContactListFile::LoadResult first = ContactListFile::load(path);
    QVERIFY(first.ok);
    const QString copy = dir.filePath(u"copy.vtl"_s);
    QString error;
    QVERIFY(ContactListFile::save(copy, first.tree, &error));
    QVERIFY(error.isEmpty());
    QCOMPARE(readAll(copy), written);

    // A file from elsewhere is normalised once: blanks to TABs, LF to CR LF, BOM added.
    writeAll(path, "A\n B;b\n  C"_ba);
    const ContactListFile::LoadResult foreign = ContactListFile::load(path);
    QVERIFY(foreign.ok);
    QVERIFY(ContactListFile::save(copy, foreign.tree));
    QCOMPARE(readAll(copy), "\xEF\xBB\xBF"
                            "A\r\n\tB;b\r\n\t\tC\r\n"_ba);
    QCOMPARE(ContactListFile::load(copy).tree, foreign.tree);
}

void TestContactListFile::removingSubtreeKeepsParentsRight()
{
    const ContactListFile::LoadResult loaded =
        ContactListFile::parse("A\r\n[G]\r\n\tB\r\n\tC\r\n\t\tD\r\n[H]\r\n\tE\r\n\t\tF\r\nZ\r\n"_ba);
    QVERIFY(loaded.ok);
    ContactTree tree = loaded.tree;
    QCOMPARE(tree.children(1), (QList<int>{2, 3}));
    QCOMPARE(tree.subtreeEnd(1), 5);
    QVERIFY(tree.hasChildren(3));
    QVERIFY(!tree.hasChildren(4));

    tree.removeSubtree(1); // [G] with B, C and D
    QCOMPARE(outline(tree), (QStringList{u"0|A"_s, u"0|[H]"_s, u"1|E"_s, u"2|F"_s, u"0|Z"_s}));
    QList<int> parents;
    for (const ContactTree::Node& node : tree.nodes())
        parents.append(node.parent);
    QCOMPARE(parents, (QList<int>{-1, -1, 1, 2, -1}));
    QCOMPARE(tree.children(1), QList<int>{2});

    tree.removeSubtree(2); // a member with its own child
    QCOMPARE(outline(tree), (QStringList{u"0|A"_s, u"0|[H]"_s, u"0|Z"_s}));
    QVERIFY(!tree.hasChildren(1));

    tree.appendTopLevel(u"new"_s);
    QCOMPARE(tree.node(3).level, 0);
    QCOMPARE(tree.node(3).parent, -1);
}

void TestContactListFile::saveIsAtomicOnFullDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"compnames.vtl"_s);
    ContactTree small;
    small.appendTopLevel(u"PC1;Вася"_s);
    QVERIFY(ContactListFile::save(path, small));
    const QByteArray before = readAll(path);

    ContactTree big;
    for (int i = 0; i < 5000; ++i)
        big.appendTopLevel(u"COMPUTER-%1;Сотрудник %1;10.0.%2.%3;1"_s.arg(i).arg(i / 250).arg(i % 250));
    QVERIFY(ContactListFile::serialize(big).size() > 64 * 1024);

    bool saved = true;
    QString error;
    {
        FileSizeLimit limit(4096);
        if (!limit.ok())
            QSKIP("cannot lower RLIMIT_FSIZE here");
        saved = ContactListFile::save(path, big, &error);
    }
    QVERIFY(!saved);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"compnames.vtl"_s});

    QVERIFY(ContactListFile::save(path, big, &error));
    QCOMPARE(ContactListFile::load(path).tree, big);
}

void TestContactListFile::refusesOversizedAndMissingFiles()
{
    QTemporaryDir dir;
    const QString huge = dir.filePath(u"huge.vtl"_s);
    {
        QFile f(huge);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(ContactListFile::MaxFileSize + 1)); // sparse, costs no disk space
    }
    ContactListFile::LoadResult result = ContactListFile::load(huge);
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(u"larger"_s));

    result = ContactListFile::load(dir.filePath(u"missing.vtl"_s));
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());

    // A folder in the way of the file: the save fails and says why.
    QVERIFY(QDir(dir.path()).mkdir(u"taken.vtl"_s));
    QString error;
    QVERIFY(!ContactListFile::save(dir.filePath(u"taken.vtl"_s), ContactTree(), &error));
    QVERIFY(!error.isEmpty());
    // Missing folders on the way are created.
    QVERIFY(ContactListFile::save(dir.filePath(u"a/b/list.vtl"_s), ContactTree(), &error));
    QCOMPARE(readAll(dir.filePath(u"a/b/list.vtl"_s)), "\xEF\xBB\xBF"_ba);
}

QTEST_GUILESS_MAIN(TestContactListFile)
#include "test_contactlistfile.moc"
