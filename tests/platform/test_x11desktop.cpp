// System-wide keys and the session's idle time on a real X server (a private Xvfb), with keys
// and mouse movements sent by xdotool. Skipped only where Xvfb or xdotool is missing.

#include "common/xvfbserver.h"
#include "platform/linux/x11hotkeys.h"
#include "platform/linux/xidletime.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using vantrel::X11HotKeys;
using vantrel::XIdleTime;

class TestX11Desktop final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!XvfbServer::isInstalled() || !XvfbServer::hasXdotool())
            QSKIP("Xvfb and xdotool are needed for this test");
        QVERIFY(m_server.start());
        qputenv("DISPLAY", m_server.display().toLatin1());
        qunsetenv("WAYLAND_DISPLAY");
    }

    void aGrabbedKeyArrivesInEveryLockState()
    {
        std::unique_ptr<X11HotKeys> keys = X11HotKeys::open();
        QVERIFY(keys);
        QSignalSpy activated(keys.get(), &vantrel::GlobalHotKeys::activated);
        QVERIFY(keys->setHotKey(7, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R)));

        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(activated.at(0).at(0).toInt(), 7);
        // Without Alt it is another key; the grab does not take it.
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+r"_s}));
        QTest::qWait(300);
        QCOMPARE(activated.size(), 1);

        // NumLock on, CapsLock on, both on: still the same key.
        QVERIFY(m_server.xdotool({u"key"_s, u"Num_Lock"_s}));
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_COMPARE(activated.size(), 2);
        QVERIFY(m_server.xdotool({u"key"_s, u"Caps_Lock"_s}));
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_COMPARE(activated.size(), 3);
        QVERIFY(m_server.xdotool({u"key"_s, u"Num_Lock"_s}));
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_COMPARE(activated.size(), 4);
        QVERIFY(m_server.xdotool({u"key"_s, u"Caps_Lock"_s}));

        // A key given back no longer arrives.
        keys->clearHotKey(7);
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTest::qWait(300);
        QCOMPARE(activated.size(), 4);
    }

    void aKeyAnotherProgramHoldsCannotBeRegistered()
    {
        std::unique_ptr<X11HotKeys> first = X11HotKeys::open();
        std::unique_ptr<X11HotKeys> second = X11HotKeys::open();
        QVERIFY(first && second);
        const QKeyCombination ctrlAltA(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A);
        QVERIFY(first->setHotKey(1, ctrlAltA));
        QVERIFY(!second->setHotKey(1, ctrlAltA));
        // The refused registration left nothing behind: the first one still gets the key.
        QSignalSpy firstActivated(first.get(), &vantrel::GlobalHotKeys::activated);
        QSignalSpy secondActivated(second.get(), &vantrel::GlobalHotKeys::activated);
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+a"_s}));
        QTRY_COMPARE(firstActivated.size(), 1);
        QCOMPARE(secondActivated.size(), 0);
        // Once the first program lets go, the second can have it.
        first.reset();
        QVERIFY(second->setHotKey(1, ctrlAltA));
        QVERIFY(m_server.xdotool({u"key"_s, u"ctrl+alt+a"_s}));
        QTRY_COMPARE(secondActivated.size(), 1);
        // Keys of the function row and the keypad have their own symbols.
        QVERIFY(second->setHotKey(2, QKeyCombination(Qt::ShiftModifier, Qt::Key_F12)));
        QVERIFY(m_server.xdotool({u"key"_s, u"shift+F12"_s}));
        QTRY_COMPARE(secondActivated.size(), 2);
        QCOMPARE(secondActivated.at(1).at(0).toInt(), 2);
        QVERIFY(!second->setHotKey(3, QKeyCombination(Qt::ControlModifier, Qt::Key_unknown)));
    }

    void idleTimeFollowsTheInput()
    {
        std::unique_ptr<XIdleTime> idle = XIdleTime::open();
        QVERIFY(idle);
        QVERIFY(m_server.xdotool({u"mousemove"_s, u"10"_s, u"10"_s}));
        QThread::msleep(1500);
        const std::optional<qint64> before = idle->idleMs();
        QVERIFY(before);
        QVERIFY2(*before >= 1000, qPrintable(QString::number(*before)));
        // A key typed anywhere on the display resets it.
        QVERIFY(m_server.xdotool({u"key"_s, u"shift"_s}));
        const std::optional<qint64> after = idle->idleMs();
        QVERIFY(after);
        QVERIFY2(*after < *before && *after < 1000, qPrintable(QString::number(*after)));
    }

private:
    XvfbServer m_server;
};

QTEST_GUILESS_MAIN(TestX11Desktop)
#include "test_x11desktop.moc"
