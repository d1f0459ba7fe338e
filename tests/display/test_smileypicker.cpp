#include "display/smileyimages.h"
#include "display/smileymenu.h"
#include "display/smileypicker.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using vantrel::SmileyImages;
using vantrel::SmileyMenu;
using vantrel::SmileyPicker;
using vantrel::SmileyTable;

class TestSmileyPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host.balloons.clear();
    }

    // Rows of 8, cells of the largest picture, 1 pixel apart, 3 pixels of margin.
    void layout_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::newRow("one row of 8") << 8 << 1;
        QTest::newRow("9 make two rows") << 9 << 2;
        QTest::newRow("17 make three rows") << 17 << 3;
    }

    void layout()
    {
        QFETCH(int, count);
        QFETCH(int, rows);
        // Picture 1 is the widest, picture 2 the tallest.
        QList<QSize> sizes(count, QSize(20, 20));
        sizes[1] = QSize(26, 18);
        sizes[2] = QSize(16, 24);
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, writeSet(sizes));
        QCOMPARE(table.count(), count);
        SmileyImages images(table, m_host);
        SmileyPicker picker(images);
        QVERIFY(picker.syncWith(table));

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

    void syncReloadsOnlyForAnotherFile()
    {
        SmileyTable table(m_host);
        const QString first = writeSet(QList<QSize>(3, QSize(20, 20)));
        table.rebuild(SmileyTable::Set::External, first);
        SmileyImages images(table, m_host);
        SmileyPicker picker(images);
        QVERIFY(picker.syncWith(table));
        QCOMPARE(picker.setFile(), first);
        // The same file confirmed again keeps the picker.
        table.rebuild(SmileyTable::Set::External, first);
        QVERIFY(!picker.syncWith(table));
        table.rebuild(SmileyTable::Set::Builtin, QString());
        QVERIFY(!picker.syncWith(table));
        QCOMPARE(picker.pictures().size(), 3);
        const QString second = writeSet(QList<QSize>(5, QSize(20, 20)), u"Other.ini"_s);
        table.rebuild(SmileyTable::Set::External, second);
        QVERIFY(picker.syncWith(table));
        QCOMPARE(picker.pictures().size(), 5);
    }

    void hoverAndClick()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, writeSet(QList<QSize>(10, QSize(20, 20))));
        SmileyImages images(table, m_host);
        SmileyPicker picker(images);
        picker.syncWith(table);
        QWidget client;
        QSignalSpy chosen(&picker, &SmileyPicker::smileyChosen);
        QSignalSpy dismissed(&picker, &SmileyPicker::dismissed);
        picker.popup(&client, QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QCOMPARE(picker.client(), &client);

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

    void losingFocusCloses()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, writeSet(QList<QSize>(2, QSize(20, 20))));
        SmileyImages images(table, m_host);
        SmileyPicker picker(images);
        picker.syncWith(table);
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

    // The shipped set in the picker: its pictures run only while the picker shows.
    void defaultSetAnimatesWhileShown()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External,
                      QString::fromUtf8(VANTREL_SOURCE_DATA_DIR) + u"/Smiles/Default/Smiles.ini"_s);
        SmileyImages images(table, m_host);
        SmileyPicker picker(images);
        QVERIFY(picker.syncWith(table));
        QCOMPARE(picker.pictures().size(), table.count());
        QCOMPARE(picker.cellSize(), QSize(20, 20));
        const QString first = table.entries()[0].fileName;
        QTest::qWait(20);
        QVERIFY(!images.isAnimating(first));
        picker.popup(nullptr, QPoint(0, 0));
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QTRY_VERIFY(images.isAnimating(first));
        QVERIFY(images.isAnimating(table.entries().last().fileName));
        picker.hide();
        QTRY_VERIFY(!images.isAnimating(first));
        QVERIFY(m_host.balloons.isEmpty());
    }

    void placementKeepsInsideTheScreen()
    {
        const QRect screen(0, 0, 1024, 768);
        const QSize size(173, 50);
        QCOMPARE(SmileyPicker::placement(QPoint(100, 100), size, screen), QPoint(100, 100));
        QCOMPARE(SmileyPicker::placement(QPoint(1000, 100), size, screen), QPoint(1024 - 173, 100));
        QCOMPARE(SmileyPicker::placement(QPoint(100, 760), size, screen), QPoint(100, 768 - 50));
        QCOMPARE(SmileyPicker::placement(QPoint(1023, 767), size, screen), QPoint(851, 718));
        // A second screen to the right.
        const QRect right(1024, 0, 800, 600);
        QCOMPARE(SmileyPicker::placement(QPoint(1800, 590), size, right), QPoint(1824 - 173, 550));
        // Exactly touching the edge stays.
        QCOMPARE(SmileyPicker::placement(QPoint(1024 - 173, 0), size, screen), QPoint(851, 0));
    }

    void builtinMenu()
    {
        SmileyTable table(m_host);
        SmileyImages images(table, m_host);
        SmileyMenu menu(images);
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
    // A set file of PNG pictures of the given sizes, sequences ":s0", ":s1", ...
    QString writeSet(const QList<QSize>& sizes, const QString& name = u"Smiles.ini"_s)
    {
        QString ini;
        for (int i = 0; i < sizes.size(); ++i) {
            QImage image(sizes[i], QImage::Format_ARGB32);
            image.fill(QColor::fromHsv((i * 37) % 360, 200, 230));
            const QString file = name + u'-' + QString::number(i) + u".png"_s;
            if (!image.save(m_dir.filePath(file)))
                return {};
            ini += u"[P%1]\r\nFileName=%2\r\nChars=:s%1\r\nLabel=Метка%1\r\n"_s.arg(i).arg(file);
        }
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write("\xEF\xBB\xBF" + ini.toUtf8());
        return path;
    }

    QTemporaryDir m_dir;
    FakeSmileyHost m_host;
};

QTEST_MAIN(TestSmileyPicker)
#include "test_smileypicker.moc"
