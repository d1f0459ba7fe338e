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

const QByteArray Bom = "\xEF\xBB\xBF"_ba;

// "level|parent|text" per node, for compact comparisons.
QStringList outline(const ContactTree& tree)
{
    QStringList out;
    for (const ContactTree::Node& node : tree.nodes())
        out.append(u"%1|%2|%3"_s.arg(node.level).arg(node.parent).arg(node.text));
    return out;
}

} // namespace

class TestContactListFile final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsContactItems_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("bare name") << u"PC1"_s << QStringList{u"PC1"_s, u"PC1"_s, {}, u"1"_s};
        QTest::newRow("two fields") << u"PC1;Вася"_s << QStringList{u"PC1"_s, u"Вася"_s, {}, u"1"_s};
        QTest::newRow("auto-IP off, no IP")
            << u"PC1;Вася;;0"_s << QStringList{u"PC1"_s, u"Вася"_s, {}, u"0"_s};
        QTest::newRow("full") << u"PC1;Вася;192.168.0.5;0"_s
                              << QStringList{u"PC1"_s, u"Вася"_s, u"192.168.0.5"_s, u"0"_s};
        QTest::newRow("flag takes the rest")
            << u"a;b;c;0;x"_s << QStringList{u"a"_s, u"b"_s, u"c"_s, u"0;x"_s};
        QTest::newRow("empty line") << QString() << QStringList{{}, {}, {}, u"1"_s};
        QTest::newRow("trailing separator") << u"PC1;"_s << QStringList{u"PC1"_s, {}, {}, u"1"_s};
        QTest::newRow("group with separator")
            << u"[A;B]"_s << QStringList{u"[A;B]"_s, u"[A;B]"_s, {}, u"1"_s};
    }

    void splitsContactItems()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        const ContactItem item = ContactItem::fromLine(line);
        QCOMPARE((QStringList{item.compName, item.nick, item.ip, item.refIp}), fields);
    }

    void buildsTreeFromIndentation_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("nodes");
        QTest::newRow("group with tab-indented members")
            << "[GROUP]\r\n\tPC1;A\r\n\tPC2;B\r\nPC3\r\n"_ba
            << QStringList{u"0|-1|[GROUP]"_s, u"1|0|PC1;A"_s, u"1|0|PC2;B"_s, u"0|-1|PC3"_s};
        QTest::newRow("blank counts like tab") << "[GROUP]\r\n PC1\r\n\tPC2\r\n"_ba
                                               << QStringList{u"0|-1|[GROUP]"_s, u"1|0|PC1"_s, u"1|0|PC2"_s};
        QTest::newRow("deeper levels, climbing several at once")
            << "A\r\n\tB\r\n\t\tC\r\n\t \tD\r\n\tE\r\n\t\tF\r\nG\r\n"_ba
            << QStringList{u"0|-1|A"_s, u"1|0|B"_s, u"2|1|C"_s, u"3|2|D"_s,
                           u"1|0|E"_s,  u"2|4|F"_s, u"0|-1|G"_s};
        QTest::newRow("empty lines are empty contacts")
            << "PC1\r\n\r\n[G]\r\n\tPC2\r\n\r\n"_ba
            << QStringList{u"0|-1|PC1"_s, u"0|-1|"_s, u"0|-1|[G]"_s, u"1|2|PC2"_s, u"0|-1|"_s};
        QTest::newRow("first line is top-level whatever its indent")
            << "\tA\r\n\tB\r\n"_ba << QStringList{u"0|-1|A"_s, u"1|0|B"_s};
        QTest::newRow("trailing blanks are text") << "PC1 \r\n"_ba << QStringList{u"0|-1|PC1 "_s};
        QTest::newRow("bom only") << Bom << QStringList();
    }

    void buildsTreeFromIndentation()
    {
        QFETCH(QByteArray, data);
        QFETCH(QStringList, nodes);
        const ContactListFile::LoadResult result = ContactListFile::parse(data);
        QVERIFY2(result.ok && result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(outline(result.tree), nodes);
    }

    void badLevelFailsTheLoad()
    {
        ContactListFile::LoadResult result = ContactListFile::parse("[G]\r\n\t\tPC1;Вася\r\nPC2\r\n"_ba);
        QVERIFY(!result.ok);
        QCOMPARE(result.error, u"Invalid level (2) for item \"PC1;Вася\""_s);
        QVERIFY(result.tree.isEmpty());

        // Deeper by more than one below a nested node, counted from the previous node's level.
        result = ContactListFile::parse("A\r\n\tB\r\n    C\r\n"_ba);
        QCOMPARE(result.error, u"Invalid level (4) for item \"C\""_s);
    }

    void readsFilesFromElsewhere_data()
    {
        QTest::addColumn<QByteArray>("data");
        const QByteArray utf8 = u"[ОТДЕЛ]\r\n\tPC1;Вася\r\n\tPC2;Пётр;10.0.0.2;0\r\n"_s.toUtf8();
        QTest::newRow("utf-8 with bom") << Bom + utf8;
        QTest::newRow("utf-8 without bom") << utf8;
        // The same text as Windows-1251 bytes, as a Windows machine's editor saves it.
        QTest::newRow("windows-1251") << "[\xCE\xD2\xC4\xC5\xCB]\r\n\tPC1;\xC2\xE0\xF1\xFF\r\n"
                                         "\tPC2;\xCF\xB8\xF2\xF0;10.0.0.2;0\r\n"_ba;
        QTest::newRow("mixed line ends, none at the end")
            << u"[ОТДЕЛ]\n\tPC1;Вася\r\tPC2;Пётр;10.0.0.2;0"_s.toUtf8();
        QStringEncoder utf16(QStringConverter::Utf16LE);
        QTest::newRow("utf-16 with bom") << "\xFF\xFE"_ba + QByteArray(utf16.encode(QString::fromUtf8(utf8)));
    }

    void readsFilesFromElsewhere()
    {
        QFETCH(QByteArray, data);
        const ContactListFile::LoadResult result = ContactListFile::parse(data);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(outline(result.tree),
                 (QStringList{u"0|-1|[ОТДЕЛ]"_s, u"1|0|PC1;Вася"_s, u"1|0|PC2;Пётр;10.0.0.2;0"_s}));
    }

    void windows1251TableMatchesCodePage()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString ours = ContactListFile::decodeWindows1251(all);
        QCOMPARE(ours.size(), 256);
        QStringDecoder system("windows-1251");
        if (!system.isValid())
            QSKIP("this Qt build has no Windows-1251 conversion to compare with");
        const QString theirs = system.decode(all);
        for (int b = 0; b < 256; ++b) {
            if (b != 0x98) // unassigned in the code page; conversions disagree on its stand-in
                QVERIFY2(ours.at(b) == theirs.at(b), qPrintable(u"byte 0x%1"_s.arg(b, 2, 16)));
        }
    }

    void roundTripIsByteExact()
    {
        // A file as this program writes it reads back and writes again unchanged.
        const QByteArray written = Bom + u"PC1\r\nPC1;Вася\r\n[Г1]\r\n\tPC2;Пётр;10.0.0.2;0\r\n\t\tX\r\n"
                                         u"\r\n[ПУСТАЯ]\r\nlast;Ник;;1\r\n"_s.toUtf8();
        QTemporaryDir dir;
        const QString path = dir.filePath(u"compnames.vtl"_s);
        writeAll(path, written);
        const ContactListFile::LoadResult first = ContactListFile::load(path);
        QVERIFY(first.ok);
        const QString copy = dir.filePath(u"copy.vtl"_s);
        QVERIFY(ContactListFile::save(copy, first.tree));
        QCOMPARE(readAll(copy), written);

        // A file from elsewhere is normalised once: blanks to TABs, LF to CR LF, BOM added.
        writeAll(path, "A\n B;b\n  C"_ba);
        const ContactListFile::LoadResult foreign = ContactListFile::load(path);
        QVERIFY(foreign.ok && ContactListFile::save(copy, foreign.tree));
        QCOMPARE(readAll(copy), Bom + "A\r\n\tB;b\r\n\t\tC\r\n"_ba);
        QCOMPARE(ContactListFile::load(copy).tree, foreign.tree);
    }

    void removingSubtreeKeepsParentsRight()
    {
        ContactTree tree =
            ContactListFile::parse("A\r\n[G]\r\n\tB\r\n\tC\r\n\t\tD\r\n[H]\r\n\tE\r\n\t\tF\r\nZ\r\n"_ba).tree;
        QCOMPARE(tree.children(1), (QList<int>{2, 3}));
        QCOMPARE(tree.subtreeEnd(1), 5);
        QVERIFY(tree.hasChildren(3) && !tree.hasChildren(4));

        tree.removeSubtree(1); // [G] with B, C and D
        QCOMPARE(outline(tree),
                 (QStringList{u"0|-1|A"_s, u"0|-1|[H]"_s, u"1|1|E"_s, u"2|2|F"_s, u"0|-1|Z"_s}));
        tree.removeSubtree(2); // a member with its own child
        QCOMPARE(outline(tree), (QStringList{u"0|-1|A"_s, u"0|-1|[H]"_s, u"0|-1|Z"_s}));
        QVERIFY(!tree.hasChildren(1));
        tree.appendTopLevel(u"new"_s);
        QCOMPARE(outline(tree).last(), u"0|-1|new"_s);
    }

    void saveIsAtomicOnFullDisk()
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
        bool saved = true;
        QString error;
        {
            FileSizeLimit limit(4096);
            if (!limit.ok())
                QSKIP("cannot lower RLIMIT_FSIZE here");
            saved = ContactListFile::save(path, big, &error);
        }
        QVERIFY(!saved && !error.isEmpty());
        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"compnames.vtl"_s});

        QVERIFY(ContactListFile::save(path, big, &error));
        QCOMPARE(ContactListFile::load(path).tree, big);
    }

    void refusesOversizedFilesAndFoldersInTheWay()
    {
        QTemporaryDir dir;
        const QString huge = dir.filePath(u"huge.vtl"_s);
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(ContactListFile::MaxFileSize + 1)); // sparse, costs no disk space
        }
        const ContactListFile::LoadResult result = ContactListFile::load(huge);
        QVERIFY(!result.ok && result.error.contains(u"larger"_s));

        // A folder in the way of the file: the save fails and says why.
        QVERIFY(QDir(dir.path()).mkdir(u"taken.vtl"_s));
        QString error;
        QVERIFY(!ContactListFile::save(dir.filePath(u"taken.vtl"_s), ContactTree(), &error));
        QVERIFY(!error.isEmpty());
        // Missing folders on the way are created; an empty list is just the BOM.
        QVERIFY(ContactListFile::save(dir.filePath(u"a/b/list.vtl"_s), ContactTree(), &error));
        QCOMPARE(readAll(dir.filePath(u"a/b/list.vtl"_s)), Bom);
    }
};

QTEST_GUILESS_MAIN(TestContactListFile)
#include "test_contactlistfile.moc"
