#include "platform/linux/xkbkeyboardlayout.h"
#include "platform/nullkeyboardlayout.h"
#include "platform/switchtextlayout.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// Stands in for the desktop in the retyping tests: reports a fixed layout and records switches.
class FakeKeyboardLayout final : public KeyboardLayout {
public:
    explicit FakeKeyboardLayout(bool nonUS, bool canSwitch = true)
        : m_nonUS(nonUS)
        , m_canSwitch(canSwitch)
    {}
    bool isNonUSLayout() const override { return m_nonUS; }
    bool activate(LayoutId layout) override
    {
        m_activated = layout;
        return m_canSwitch;
    }
    std::optional<LayoutId> activated() const { return m_activated; }

private:
    bool m_nonUS;
    bool m_canSwitch;
    std::optional<LayoutId> m_activated;
};

} // namespace

class TestKeyboardLayout final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void retypes()
    {
        // The text is retyped and the other layout activated, whether or not the switch works.
        FakeKeyboardLayout fromUS(false), fromRussian(true), stuck(false, false);
        QCOMPARE(SwitchTextLayout(u"ghbdtn"_s, fromUS), u"привет"_s);
        QCOMPARE(fromUS.activated(), std::optional(LayoutId::Russian));
        QCOMPARE(SwitchTextLayout(u"руддщ. 12"_s, fromRussian), u"hello/ 12"_s);
        QCOMPARE(fromRussian.activated(), std::optional(LayoutId::US));
        QCOMPARE(SwitchTextLayout(u"/"_s, stuck), u"."_s);
        NullKeyboardLayout none;
        QCOMPARE(SwitchTextLayout(u"ghbdtn"_s, none), u"привет"_s);
    }

    void readsLayoutsFromSymbols_data()
    {
        QTest::addColumn<QString>("symbols");
        QTest::addColumn<QStringList>("layouts");
        QTest::newRow("us and ru") << u"pc+us+ru:2+inet(evdev)+group(alt_shift_toggle)"_s
                                   << QStringList{u"us"_s, u"ru"_s};
        QTest::newRow("variants") << u"pc+us(dvorak)+ru(phonetic):2+inet(evdev)"_s
                                  << QStringList{u"us"_s, u"ru"_s};
        QTest::newRow("three with options") << u"pc+de+us:2+ru:3+inet(evdev)+level3(ralt_switch):1"_s
                                            << QStringList{u"de"_s, u"us"_s, u"ru"_s};
        QTest::newRow("group gap") << u"pc+us+ru:3"_s << QStringList{u"us"_s, QString(), u"ru"_s};
        QTest::newRow("bad group ignored") << u"pc+us+ru:9+de:x"_s << QStringList{u"us"_s};
        QTest::newRow("empty") << QString() << QStringList();
    }
    void readsLayoutsFromSymbols()
    {
        QFETCH(QString, symbols);
        QFETCH(QStringList, layouts);
        QCOMPARE(XkbKeyboardLayout::layoutsFromSymbols(symbols), layouts);
    }

    void noDisplayMeansNoSwitch()
    {
        const QByteArray saved = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        XkbKeyboardLayout layout;
        QVERIFY(!layout.isNonUSLayout());
        QVERIFY(!layout.activate(LayoutId::Russian));
        if (!saved.isEmpty())
            qputenv("DISPLAY", saved);
    }

    // Against a real X server with the XKB extension, where one can be started.
    void switchesXkbGroups()
    {
        if (!startXServer())
            QSKIP("Xvfb and setxkbmap are needed for this test");
        QVERIFY(setLayouts(u"us,ru"_s));
        XkbKeyboardLayout layout;
        QVERIFY(!layout.isNonUSLayout());
        QVERIFY(layout.activate(LayoutId::Russian));
        QVERIFY(layout.isNonUSLayout());
        QVERIFY(layout.activate(LayoutId::US));
        QVERIFY(!layout.isNonUSLayout());

        // The whole round: text typed on US is retyped and Russian becomes active, and back.
        QCOMPARE(SwitchTextLayout(u"ghbdtn"_s, layout), u"привет"_s);
        QVERIFY(layout.isNonUSLayout());
        QCOMPARE(SwitchTextLayout(u"руддщ"_s, layout), u"hello"_s);
        QVERIFY(!layout.isNonUSLayout());

        // Russian as the first group: the active layout is not US.
        QVERIFY(setLayouts(u"ru,us"_s));
        QVERIFY(layout.isNonUSLayout());
        QVERIFY(layout.activate(LayoutId::US));
        QVERIFY(!layout.isNonUSLayout());

        // A layout that is not configured cannot be activated.
        QVERIFY(setLayouts(u"de"_s));
        QVERIFY(!layout.activate(LayoutId::Russian));
        QVERIFY(!layout.activate(LayoutId::US));
        QVERIFY(layout.isNonUSLayout());
    }

    void cleanupTestCase()
    {
        if (m_xserver.state() != QProcess::NotRunning) {
            m_xserver.terminate();
            if (!m_xserver.waitForFinished(5000))
                m_xserver.kill();
            m_xserver.waitForFinished(5000);
        }
    }

private:
    bool startXServer()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        if (xvfb.isEmpty() || QStandardPaths::findExecutable(u"setxkbmap"_s).isEmpty())
            return false;
        // -displayfd writes the display number it picked to our end of stdout; -noreset keeps
        // the keymap when the last client (each call is one) disconnects.
        m_xserver.start(xvfb, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-noreset"_s, u"-screen"_s,
                               u"0"_s, u"320x240x24"_s});
        if (!m_xserver.waitForStarted(5000))
            return false;
        while (!m_xserver.canReadLine()) {
            if (!m_xserver.waitForReadyRead(10000))
                return false;
        }
        const QByteArray number = m_xserver.readLine().trimmed();
        if (number.isEmpty())
            return false;
        qputenv("DISPLAY", ':' + number);
        return true;
    }

    static bool setLayouts(const QString& layouts)
    {
        QProcess setxkbmap;
        setxkbmap.start(u"setxkbmap"_s, {u"-layout"_s, layouts});
        return setxkbmap.waitForFinished(10000) && setxkbmap.exitStatus() == QProcess::NormalExit &&
               setxkbmap.exitCode() == 0;
    }

    QProcess m_xserver;
};

QTEST_GUILESS_MAIN(TestKeyboardLayout)
#include "test_keyboardlayout.moc"
