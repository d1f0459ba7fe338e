#include "display/smileyimages.h"
#include "display/smileymenu.h"
#include "display/smileypicker.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"

#include "common/testfiles.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextImageFormat>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

const QString ShippedSet = QString::fromUtf8(VANTREL_SOURCE_DATA_DIR) + u"/Smiles/Default"_s;

// Appends a line the way a conversation view does and returns where it starts.
int appendLine(QTextDocument& doc, const QString& text)
{
    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc.isEmpty())
        cursor.insertBlock();
    const int start = cursor.position();
    cursor.insertText(text);
    return start;
}

// The document's pictures in order: their resource names.
QStringList pictureNames(const QTextDocument& doc)
{
    QStringList names;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (int i = 0; it.fragment().charFormat().isImageFormat() && i < it.fragment().length(); ++i)
                names.append(it.fragment().charFormat().toImageFormat().name());
        }
    }
    return names;
}

QImage resourceImage(const QTextDocument& doc, const QString& name)
{
    return doc.resource(QTextDocument::ImageResource, QUrl(name)).value<QPixmap>().toImage();
}

// A smiley table of the built-in set (no file) or of a set file, with its pictures.
struct Smileys {
    Smileys(FakeSmileyHost& host, const QString& setFile)
        : table(host)
        , images(table, host)
    {
        table.rebuild(setFile.isEmpty() ? SmileyTable::Set::Builtin : SmileyTable::Set::External, setFile);
    }
    SmileyTable table;
    SmileyImages images;
    QString file(int i) const { return table.entries()[i].fileName; }
};

} // namespace

// Smiley pictures drawn into documents and animated while shown, the picker and the built-in menu.
class TestSmileyImages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host.balloons.clear();
    }

    void builtinPictures()
    {
        Smileys s(m_host, {});
        QSet<size_t> distinct;
        for (int i = 0; i < SmileyTable::BuiltinCount; ++i) {
            const QImage image = s.images.builtinImage(i);
            QCOMPARE(image.size(), QSize(SmileyImages::BuiltinWidth, SmileyImages::BuiltinHeight));
            QCOMPARE(qAlpha(image.pixel(9, 12)), 255);
            distinct.insert(qHashBits(image.constBits(), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), size_t(SmileyTable::BuiltinCount));
        QVERIFY(s.images.builtinImage(SmileyTable::BuiltinCount).isNull());
        QVERIFY(s.images.builtinImage(-1).isNull());
    }

    // Only the new line is searched; the rest of its text stays as it was.
    void builtinDrawingOnlyInTheNewLine()
    {
        Smileys s(m_host, {});
        QTextDocument doc;
        appendLine(doc, u"старое :)"_s);
        const int start = appendLine(doc, u"Привет :) и :devil, и:)"_s);
        QCOMPARE(s.images.drawSmileys(&doc, start, doc.characterCount() - 1), 2);
        QCOMPARE(doc.toPlainText(), u"старое :)\nПривет\uFFFC и\uFFFCevil, и:)"_s);
        const QString devil = SmileyImages::builtinUrl(5).toString();
        QCOMPARE(pictureNames(doc), (QStringList{SmileyImages::builtinUrl(0).toString(), devil}));
        QCOMPARE(resourceImage(doc, devil).convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 s.images.builtinImage(5).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QTextCursor at(&doc);
        at.setPosition(start + 7);
        QCOMPARE(at.charFormat().toImageFormat().verticalAlignment(), QTextCharFormat::AlignBottom);
        QCOMPARE(int(at.charFormat().toImageFormat().width()), SmileyImages::BuiltinWidth);
    }

    void externalDrawingSharesOneMovie()
    {
        Smileys s(m_host, copyShipped({u"smile.gif"_s, u"laugh.gif"_s}));
        QTextDocument a;
        QTextDocument b;
        const QString line = QString(u"x :s0 y :s1 "_s).repeated(50);
        for (QTextDocument* doc : {&a, &b}) {
            const int start = appendLine(*doc, line);
            QCOMPARE(s.images.drawSmileys(doc, start, doc->characterCount() - 1), 100);
        }
        QCOMPARE(a.toPlainText(), QString(u"x \uFFFC y \uFFFC "_s).repeated(50));
        // One animation per picture file, however many pictures and documents.
        QCOMPARE(s.images.findChildren<QMovie*>().size(), 2);
        QCOMPARE(pictureNames(b).first(), s.images.imageUrl(s.file(0)).toString());
        QVERIFY(m_host.balloons.isEmpty());
    }

    // A vanished or unreadable picture leaves its text, with one balloon per line.
    void unreadablePictureStaysText()
    {
        Smileys s(m_host, copyShipped({u"smile.gif"_s, u"laugh.gif"_s}));
        QVERIFY(QFile::remove(s.file(0)));
        writeAll(s.file(1), "not a picture at all");
        QTextDocument doc;
        const int start = appendLine(doc, u"a :s0 b :s0 c :s1"_s);
        QCOMPARE(s.images.drawSmileys(&doc, start, doc.characterCount() - 1), 0);
        QCOMPARE(doc.toPlainText(), u"a :s0 b :s0 c :s1"_s);
        QCOMPARE(m_host.balloons.size(), 2);
        QCOMPARE(m_host.balloons[0].title, m_host.caption);
        QCOMPARE(m_host.balloons[0].text, u"Файл \""_s + s.file(0) + u"\" не найден!"_s);
        QVERIFY(!m_host.balloons[1].text.isEmpty() && !m_host.balloons[1].text.contains(u"не найден"_s));

        QTextCursor cursor(&doc);
        cursor.setPosition(2);
        cursor.setPosition(5, QTextCursor::KeepAnchor);
        QVERIFY(!s.images.insertSmileyPicture(cursor, s.file(0)));
        QCOMPARE(m_host.balloons.size(), 3);
        QCOMPARE(doc.toPlainText(), u"a :s0 b :s0 c :s1"_s);
    }

    // Animations run while a view shows them, frames reach the document, and they pause
    // when the view is hidden or cleared.
    void animationFollowsVisibility()
    {
        Smileys s(m_host, copyShipped({u"smile.gif"_s, u"laugh.gif"_s}));
        const QString laugh = s.file(1);
        QTextBrowser view;
        s.images.attachView(&view);
        appendLine(*view.document(), u"a line without smileys"_s);
        const int start = appendLine(*view.document(), u"ха :s1"_s);
        QCOMPARE(s.images.drawSmileys(view.document(), start, view.document()->characterCount() - 1), 1);
        const QString name = s.images.imageUrl(laugh).toString();
        const QImage first = resourceImage(*view.document(), name);
        QVERIFY(!first.isNull());
        QTest::qWait(50);
        QVERIFY(!s.images.isAnimating(laugh));

        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(s.images.isAnimating(laugh));
        QTRY_VERIFY(resourceImage(*view.document(), name) != first);
        // Frame changes repaint the block of the picture, not the whole view.
        QSignalSpy repaints(view.document()->documentLayout(), &QAbstractTextDocumentLayout::update);
        QTRY_VERIFY(!repaints.isEmpty());
        QCOMPARE(repaints.last().at(0).toRectF(),
                 view.document()->documentLayout()->blockBoundingRect(view.document()->lastBlock()));
        QVERIFY(!s.images.isAnimating(s.file(0)));

        view.hide();
        QTRY_VERIFY(!s.images.isAnimating(laugh));
        view.show();
        QTRY_VERIFY(s.images.isAnimating(laugh));
        view.clear();
        QTRY_VERIFY(!s.images.isAnimating(laugh));
    }

    // Rows of 8, cells of the largest picture, 1 pixel apart, 3 pixels of margin.
    void pickerLayout_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::newRow("one row of 8") << 8 << 1;
        QTest::newRow("9 make two rows") << 9 << 2;
        QTest::newRow("17 make three rows") << 17 << 3;
    }
    void pickerLayout()
    {
        QFETCH(int, count);
        QFETCH(int, rows);
        // Picture 1 is the widest, picture 2 the tallest.
        QList<QSize> sizes(count, QSize(20, 20));
        sizes[1] = QSize(26, 18);
        sizes[2] = QSize(16, 24);
        Smileys s(m_host, drawPngs(sizes));
        SmileyPicker picker(s.images);
        QVERIFY(picker.syncWith(s.table));
        const QSize cell(26, 24);
        QCOMPARE(picker.cellSize(), cell);
        QCOMPARE(picker.pictures().size(), count);
        for (int i = 0; i < count; ++i) {
            const QRect expected(3 + (i % 8) * (cell.width() + 1), 3 + (i / 8) * (cell.height() + 1),
                                 cell.width(), cell.height());
            QCOMPARE(picker.pictures()[i]->geometry(), expected);
        }
        QCOMPARE(picker.width(), cell.width() * 8 + 13);
        QCOMPARE(picker.height(), 3 + (rows - 1) * (cell.height() + 1) + cell.height() + 3);
        QCOMPARE(picker.pictures()[3]->toolTip(), u"Метка3 :s3"_s);
    }

    void pickerReloadsOnlyForAnotherFile()
    {
        const QString first = drawPngs(QList<QSize>(3, QSize(20, 20)));
        Smileys s(m_host, first);
        SmileyPicker picker(s.images);
        QVERIFY(picker.syncWith(s.table));
        QCOMPARE(picker.setFile(), first);
        // The same file confirmed again, or the built-in set, keeps the picker.
        s.table.rebuild(SmileyTable::Set::External, first);
        QVERIFY(!picker.syncWith(s.table));
        s.table.rebuild(SmileyTable::Set::Builtin, QString());
        QVERIFY(!picker.syncWith(s.table));
        QCOMPARE(picker.pictures().size(), 3);
        s.table.rebuild(SmileyTable::Set::External, drawPngs(QList<QSize>(5, QSize(20, 20)), u"Other.ini"_s));
        QVERIFY(picker.syncWith(s.table));
        QCOMPARE(picker.pictures().size(), 5);
    }

    void pickerHoverAndClick()
    {
        Smileys s(m_host, drawPngs(QList<QSize>(10, QSize(20, 20))));
        SmileyPicker picker(s.images);
        picker.syncWith(s.table);
        QWidget client;
        QSignalSpy chosen(&picker, &SmileyPicker::smileyChosen);
        QSignalSpy dismissed(&picker, &SmileyPicker::dismissed);
        picker.popup(&client, QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QLabel* ninth = picker.pictures()[9];
        QTest::mouseMove(ninth, QPoint(5, 5));
        auto* selection = picker.findChild<QFrame*>(u"Bevel_Sel"_s);
        QVERIFY(selection);
        QTRY_COMPARE(selection->geometry(), ninth->geometry().adjusted(-1, -1, 1, 1));
        QTest::mouseClick(ninth, Qt::LeftButton);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen[0][0].value<QWidget*>(), &client);
        QCOMPARE(chosen[0][1].toString(), u" :s9"_s);
        QVERIFY(!picker.isVisible());
        QCOMPARE(dismissed.count(), 0);
    }

    void pickerLosingFocusCloses()
    {
        Smileys s(m_host, drawPngs(QList<QSize>(2, QSize(20, 20))));
        SmileyPicker picker(s.images);
        picker.syncWith(s.table);
        QWidget client;
        client.show();
        QVERIFY(QTest::qWaitForWindowActive(&client));
        QSignalSpy dismissed(&picker, &SmileyPicker::dismissed);
        picker.popup(&client, QPoint(40, 40));
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        client.activateWindow();
        QTRY_COMPARE(dismissed.count(), 1);
        QCOMPARE(dismissed[0][0].value<QWidget*>(), &client);
        QVERIFY(!picker.isVisible());
        QCOMPARE(picker.findChild<QFrame*>(u"Bevel_Sel"_s)->geometry().size(), QSize(0, 0));
        // Closed, it is reused for the next choice.
        picker.popup(&client, QPoint(40, 40));
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTest::keyClick(&picker, Qt::Key_Escape);
        QCOMPARE(dismissed.count(), 2);
        QVERIFY(!picker.isVisible());
    }

    // The shipped set in the picker: every picture is animated, and runs only while the picker shows.
    void shippedSetAnimatesWhileShown()
    {
        Smileys s(m_host, ShippedSet + u"/Smiles.ini"_s);
        SmileyPicker picker(s.images);
        QVERIFY(picker.syncWith(s.table));
        QCOMPARE(picker.pictures().size(), s.table.count());
        QCOMPARE(picker.cellSize(), QSize(20, 20));
        QTest::qWait(20);
        QVERIFY(!s.images.isAnimating(s.file(0)));
        picker.popup(nullptr, QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        for (int i = 0; i < s.table.count(); ++i) {
            QVERIFY2(QMovie(s.file(i)).frameCount() > 1, qPrintable(s.file(i)));
            QTRY_VERIFY(s.images.isAnimating(s.file(i)));
        }
        picker.hide();
        QTRY_VERIFY(!s.images.isAnimating(s.file(0)));
        QVERIFY(m_host.balloons.isEmpty());
    }

    void pickerPlacementKeepsInsideTheScreen()
    {
        const QRect screen(0, 0, 1024, 768);
        const QSize size(173, 50);
        QCOMPARE(SmileyPicker::placement(QPoint(100, 100), size, screen), QPoint(100, 100));
        QCOMPARE(SmileyPicker::placement(QPoint(1024 - 173, 0), size, screen), QPoint(851, 0));
        QCOMPARE(SmileyPicker::placement(QPoint(1023, 767), size, screen), QPoint(851, 718));
        // A second screen to the right.
        QCOMPARE(SmileyPicker::placement(QPoint(1800, 590), size, QRect(1024, 0, 800, 600)),
                 QPoint(1651, 550));
    }

    void builtinMenu()
    {
        Smileys s(m_host, {});
        SmileyMenu menu(s.images);
        const auto& actions = menu.smileyActions();
        QCOMPARE(actions.size(), SmileyTable::BuiltinCount);
        for (int i = 0; i < actions.size(); ++i) {
            QCOMPARE(actions[i]->objectName(), u"PM_Sm"_s + QString::number(i));
            QCOMPARE(actions[i]->text(), SmileyTable::builtinCaptions()[i]);
            QVERIFY(!actions[i]->icon().isNull());
        }
        menu.popup(QPoint(50, 50));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QList<QToolButton*> buttons(actions.size());
        for (auto* button : menu.findChildren<QToolButton*>())
            buttons[actions.indexOf(button->defaultAction())] = button;
        // Three columns of 11: breaks before items 11 and 22.
        for (int i = 0; i < actions.size(); ++i) {
            QVERIFY(buttons[i]);
            QCOMPARE(buttons[i]->y(), buttons[i % 11]->y());
            QCOMPARE(buttons[i]->x(), buttons[(i / 11) * 11]->x());
        }
        QVERIFY(buttons[11]->x() > buttons[10]->x() + buttons[10]->width() - 1);
        QVERIFY(buttons[22]->x() > buttons[21]->x());
        QVERIFY(buttons[10]->y() > buttons[0]->y());

        QSignalSpy chosen(&menu, &SmileyMenu::smileyChosen);
        QSignalSpy triggered(&menu, &QMenu::triggered);
        QTest::mouseClick(buttons[12], Qt::LeftButton);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen[0][0].toInt(), 12);
        QCOMPARE(chosen[0][1].toString(), u" :-/"_s);
        QCOMPARE(triggered.count(), 1);
        QTRY_VERIFY(!menu.isVisible());
    }

private:
    // A set file naming the given picture files of the temporary folder, with the sequences
    // ":s0", ":s1", ... and the labels "Метка0", "Метка1", ...
    QString writeIni(const QStringList& files, const QString& name)
    {
        QString ini;
        for (int i = 0; i < files.size(); ++i)
            ini += u"[P%1]\r\nFileName=%2\r\nChars=:s%1\r\nLabel=Метка%1\r\n"_s.arg(i).arg(files[i]);
        writeAll(m_dir.filePath(name), "\xEF\xBB\xBF" + ini.toUtf8());
        return m_dir.filePath(name);
    }

    // A set of copies of shipped (animated) pictures.
    QString copyShipped(const QStringList& files)
    {
        for (const QString& file : files) {
            QFile::remove(m_dir.filePath(file));
            if (!QFile::copy(ShippedSet + u'/' + file, m_dir.filePath(file)))
                return {};
        }
        return writeIni(files, u"Smiles.ini"_s);
    }

    // A set of PNG pictures of the given sizes, each of its own colour.
    QString drawPngs(const QList<QSize>& sizes, const QString& name = u"Smiles.ini"_s)
    {
        QStringList files;
        for (int i = 0; i < sizes.size(); ++i) {
            QImage image(sizes[i], QImage::Format_ARGB32);
            image.fill(QColor::fromHsv((i * 37) % 360, 200, 230));
            files.append(name + u'-' + QString::number(i) + u".png"_s);
            if (!image.save(m_dir.filePath(files.constLast())))
                return {};
        }
        return writeIni(files, name);
    }

    QTemporaryDir m_dir;
    FakeSmileyHost m_host;
};

QTEST_MAIN(TestSmileyImages)
#include "test_smileyimages.moc"
