#include "core/edgesnap.h"

#include <QTest>

using vantrel::SnapToWorkArea;

class TestEdgeSnap final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void snaps_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        // Work area 0,0 1000x700 (a task bar took the bottom).
        QTest::newRow("far from edges stays") << QRect(300, 200, 200, 300) << QRect(300, 200, 200, 300);
        QTest::newRow("left within 20") << QRect(19, 200, 200, 300) << QRect(0, 200, 200, 300);
        QTest::newRow("left exactly 20 stays") << QRect(20, 200, 200, 300) << QRect(20, 200, 200, 300);
        QTest::newRow("left beyond") << QRect(-50, 200, 200, 300) << QRect(0, 200, 200, 300);
        QTest::newRow("right within 20") << QRect(785, 200, 200, 300) << QRect(800, 200, 200, 300);
        QTest::newRow("right beyond") << QRect(900, 200, 200, 300) << QRect(800, 200, 200, 300);
        QTest::newRow("top") << QRect(300, 5, 200, 300) << QRect(300, 0, 200, 300);
        QTest::newRow("bottom beyond task bar") << QRect(300, 500, 200, 300) << QRect(300, 400, 200, 300);
        QTest::newRow("corner") << QRect(-10, 690, 200, 300) << QRect(0, 400, 200, 300);
        // Once one edge snapped the window is pushed fully inside.
        QTest::newRow("left and bottom together") << QRect(10, 650, 200, 300) << QRect(0, 400, 200, 300);
    }
    void snaps()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        QCOMPARE(SnapToWorkArea(window, QRect(0, 0, 1000, 700), 20), expected);
    }

    void offsetWorkArea()
    {
        // A second screen to the right, with a panel at its top.
        const QRect area(1920, 30, 1280, 994);
        QCOMPARE(SnapToWorkArea(QRect(1930, 100, 200, 300), area), QRect(1920, 100, 200, 300));
        QCOMPARE(SnapToWorkArea(QRect(2500, 35, 200, 300), area), QRect(2500, 30, 200, 300));
    }
};

QTEST_GUILESS_MAIN(TestEdgeSnap)
#include "test_edgesnap.moc"
