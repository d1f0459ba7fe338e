#include "settings/hotkeycode.h"

#include <QTest>

using namespace Qt::StringLiterals;
namespace HotKeyCode = vantrel::HotKeyCode;

// The stored number of a hot key against key combinations, both ways.
class TestHotKeyCode final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void roundTrips_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QKeyCombination>("combination");
        QTest::addColumn<QString>("text");
        const auto ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
        QTest::newRow("default main") << 49234 << QKeyCombination(ctrlAlt, Qt::Key_R) << u"Ctrl+Alt+R"_s;
        QTest::newRow("default away") << 49217 << QKeyCombination(ctrlAlt, Qt::Key_A) << u"Ctrl+Alt+A"_s;
        QTest::newRow("shift digit") << (0x2000 | 0x35) << QKeyCombination(Qt::ShiftModifier, Qt::Key_5)
                                     << u"Shift+5"_s;
        QTest::newRow("function key")
            << (0x8000 | 0x7B) << QKeyCombination(Qt::AltModifier, Qt::Key_F12) << u"Alt+F12"_s;
        QTest::newRow("all three") << (0xE000 | 0x2E)
                                   << QKeyCombination(Qt::ShiftModifier | ctrlAlt, Qt::Key_Delete)
                                   << u"Shift+Ctrl+Alt+Del"_s;
        QTest::newRow("keypad digit")
            << (0x4000 | 0x63) << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_3)
            << u"Ctrl+Num 3"_s;
        QTest::newRow("keypad minus")
            << (0x4000 | 0x6D) << QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_Minus)
            << u"Ctrl+Num -"_s;
        QTest::newRow("main minus") << (0x4000 | 0xBD) << QKeyCombination(Qt::ControlModifier, Qt::Key_Minus)
                                    << u"Ctrl+-"_s;
        QTest::newRow("key alone") << 0x24 << QKeyCombination(Qt::Key_Home) << u"Home"_s;
    }
    void roundTrips()
    {
        QFETCH(int, code);
        QFETCH(QKeyCombination, combination);
        QFETCH(QString, text);
        QCOMPARE(HotKeyCode::toKeyCombination(code), combination);
        QCOMPARE(HotKeyCode::fromKeyCombination(combination), code);
        QCOMPARE(HotKeyCode::text(code), text);
    }

    void unusableValues()
    {
        // None, a number past 16 bits, stray bits, a virtual-key code without a key.
        for (const int code : {0, -5, 0x1C052, 0x1000 | 0x52, 0x4000 | 0xFF, 0x4000 | 0x07}) {
            QCOMPARE(HotKeyCode::toKeyCombination(code).key(), Qt::Key_unknown);
            QCOMPARE(HotKeyCode::text(code), QString());
        }
        // Meta and keys without a virtual-key code have no stored number.
        QCOMPARE(HotKeyCode::fromKeyCombination(QKeyCombination(Qt::MetaModifier, Qt::Key_R)), 0);
        QCOMPARE(HotKeyCode::fromKeyCombination(QKeyCombination(Qt::ControlModifier, Qt::Key_Eacute)), 0);
    }
};

QTEST_GUILESS_MAIN(TestHotKeyCode)
#include "test_hotkeycode.moc"
