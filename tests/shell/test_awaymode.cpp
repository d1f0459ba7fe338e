// The automatic away status driven by a clock of the test's own, an idle source or a mouse
// position set by the test, and a session state whose screen saver and lock the test switches.

#include "platform/idletime.h"
#include "platform/sessionstate.h"
#include "settings/settings.h"
#include "shell/awaymode.h"
#include "shell/awaytexts.h"

#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::AwayMode;
using vantrel::AwayTexts;
using vantrel::Settings;

namespace {

class SwitchedSession final : public vantrel::SessionState {
public:
    bool screenSaver = false;
    bool locked = false;
    bool isScreenSaverRunning() const override { return screenSaver; }
    bool isWorkstationLocked() const override { return locked; }
};

// The session's idle time as the desktop would tell it: the time since the last input.
class SessionInput final : public vantrel::IdleTime {
public:
    explicit SessionInput(const qint64& now)
        : m_now(now)
    {}
    void input() { m_lastInput = m_now; }
    bool answers = true;
    std::optional<qint64> idleMs() override
    {
        if (!answers)
            return std::nullopt;
        return m_now - m_lastInput;
    }

private:
    const qint64& m_now;
    qint64 m_lastInput = 0;
};

// A program with its own status and the away mode, on the test's clock.
struct World {
    enum class Source { SessionIdle, Mouse };

    explicit World(Source source, int minutes = 1)
        : settings(dir.filePath(u"VantrelMsg.ini"_s))
        , texts(settings, [this] { return dialogShowing; })
        , input(now)
    {
        settings.fmConfig.SpinEdit_AutoAnswering_Value.setValue(minutes);
        AwayMode::Services services{settings,
                                    texts,
                                    session,
                                    source == Source::SessionIdle ? &input : nullptr,
                                    [this]() -> std::optional<QPoint> { return mouse; },
                                    [this] { return status; },
                                    [this](int code) {
                                        status = code;
                                        statusCalls.append(code);
                                    },
                                    [this] { return now; }};
        away = std::make_unique<AwayMode>(std::move(services));
        away->start();
    }

    // Advances the clock by one check interval and runs both checks as their timers would.
    void tick()
    {
        now += AwayMode::CheckIntervalMs;
        away->inactivityCheck();
        away->screenSaverCheck();
    }
    // Ticks until `ms` have passed.
    void wait(qint64 ms)
    {
        for (qint64 passed = 0; passed < ms; passed += AwayMode::CheckIntervalMs)
            tick();
    }

    QTemporaryDir dir;
    Settings settings;
    bool dialogShowing = false;
    AwayTexts texts;
    SwitchedSession session;
    qint64 now = 0;
    SessionInput input;
    QPoint mouse{100, 100};
    int status = 0;
    QList<int> statusCalls;
    std::unique_ptr<AwayMode> away;
};

} // namespace

class TestAwayMode final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void awayAfterTheDialogsMinutesAndBackOnActivity_data()
    {
        QTest::addColumn<World::Source>("source");
        QTest::newRow("session idle time") << World::Source::SessionIdle;
        QTest::newRow("mouse position") << World::Source::Mouse;
    }

    void awayAfterTheDialogsMinutesAndBackOnActivity()
    {
        QFETCH(World::Source, source);
        World world(source, 1);
        world.status = 2; // "Не беспокоить" is what comes back
        world.wait(55000);
        QVERIFY(world.statusCalls.isEmpty());
        QVERIFY(!world.away->isAwayByInactivity());
        world.tick(); // one minute without activity
        QCOMPARE(world.statusCalls, QList<int>{1});
        QVERIFY(world.away->isAwayByInactivity());
        QCOMPARE(world.away->savedStatus(), 2);
        world.wait(600000);
        QCOMPARE(world.statusCalls, QList<int>{1});

        if (source == World::Source::SessionIdle)
            world.input.input();
        else
            world.mouse += QPoint(3, 0);
        world.tick();
        QCOMPARE(world.statusCalls, (QList<int>{1, 2}));
        QCOMPARE(world.status, 2);
        QVERIFY(!world.away->isAwayByInactivity());
        // The next minute without activity starts it again.
        world.wait(50000);
        QCOMPARE(world.statusCalls.size(), 2);
        world.wait(10000);
        QCOMPARE(world.statusCalls, (QList<int>{1, 2, 1}));
    }

    void theDefaultTenMinutesAreMinutes()
    {
        World world(World::Source::Mouse, 10);
        world.wait(595000);
        QVERIFY(world.statusCalls.isEmpty());
        world.tick();
        QCOMPARE(world.statusCalls, QList<int>{1});
    }

    void keysInTheProgramPostponeButDoNotEndIt()
    {
        World world(World::Source::Mouse, 1);
        world.wait(50000);
        world.away->keyPressed();
        world.wait(55000); // 105 s from start, 55 s after the key
        QVERIFY(world.statusCalls.isEmpty());
        world.tick();
        QCOMPARE(world.statusCalls, QList<int>{1});
        world.away->keyPressed();
        world.wait(30000);
        QCOMPARE(world.status, 1);
        world.mouse += QPoint(0, 1);
        world.tick();
        QCOMPARE(world.status, 0);
    }

    void inputInOtherProgramsCountsWithTheSessionIdleTime()
    {
        World world(World::Source::SessionIdle, 1);
        // Typing elsewhere every 40 s while the mouse stands still keeps the user present.
        for (int i = 0; i < 10; ++i) {
            world.wait(40000);
            world.input.input();
        }
        world.tick();
        QVERIFY(world.statusCalls.isEmpty());
        // A desktop that cannot answer for a while changes nothing.
        world.input.answers = false;
        world.wait(30000);
        world.input.answers = true;
        QVERIFY(world.statusCalls.isEmpty());
        world.wait(20000);
        QVERIFY(world.statusCalls.isEmpty());
        world.wait(5000); // a minute after the last input
        QCOMPARE(world.statusCalls, QList<int>{1});
    }

    void theScreenSaverDuringInactivityChangesNothing()
    {
        World world(World::Source::Mouse, 1);
        world.wait(60000);
        QCOMPARE(world.statusCalls, QList<int>{1});
        world.session.screenSaver = true;
        world.wait(120000);
        QCOMPARE(world.statusCalls, QList<int>{1});
        QVERIFY(!world.away->isAwayByScreenSaver());
        world.session.screenSaver = false;
        world.mouse += QPoint(5, 5);
        world.tick();
        QCOMPARE(world.statusCalls, (QList<int>{1, 0}));
    }

    void anHourLockedEndsWithinOneCheckOfUnlocking()
    {
        World world(World::Source::Mouse, 1);
        world.status = 2;
        world.wait(20000);
        world.session.locked = true;
        world.tick();
        QCOMPARE(world.statusCalls, QList<int>{1});
        QVERIFY(world.away->isAwayByScreenSaver());
        // The inactivity watcher holds still while the lock holds the status, mouse or not.
        world.mouse += QPoint(10, 0);
        world.wait(3600000);
        QCOMPARE(world.statusCalls, QList<int>{1});
        QVERIFY(!world.away->isAwayByInactivity());

        world.session.locked = false;
        world.tick(); // within 5 s of unlocking
        QCOMPARE(world.statusCalls, (QList<int>{1, 2}));
        QVERIFY(!world.away->isAwayByScreenSaver());
        // Unlocking counts as activity: the hour behind does not make the user away at once.
        world.wait(55000);
        QCOMPARE(world.statusCalls, (QList<int>{1, 2}));
    }

    void theScreenSaverWatcherSetsAndRestores()
    {
        World world(World::Source::SessionIdle, 60);
        world.status = 2;
        world.session.screenSaver = true;
        world.tick();
        QCOMPARE(world.status, 1);
        world.session.screenSaver = false;
        world.session.locked = true; // the lock follows the screen saver: still away
        world.tick();
        QCOMPARE(world.statusCalls, QList<int>{1});
        world.session.locked = false;
        world.tick();
        QCOMPARE(world.statusCalls, (QList<int>{1, 2}));
    }

    void theHotKeyTogglesWithoutTouchingTheWatchers()
    {
        World world(World::Source::Mouse, 1);
        world.status = 2;
        world.wait(60000);
        QCOMPARE(world.status, 1);
        world.away->toggleAway(); // while away by inactivity: back to 0
        QCOMPARE(world.status, 0);
        QVERIFY(world.away->isAwayByInactivity());
        QCOMPARE(world.away->savedStatus(), 2);
        // The later mouse movement still ends the automatic away status with the saved code.
        world.mouse += QPoint(1, 1);
        world.tick();
        QCOMPARE(world.statusCalls, (QList<int>{1, 0, 2}));
        world.away->toggleAway();
        QCOMPARE(world.status, 1);
        world.away->toggleAway();
        QCOMPARE(world.status, 0);
    }

    void switchedOffWatchersStopAndKeepTheirFlags()
    {
        World world(World::Source::Mouse, 1);
        QVERIFY(world.away->inactivityTimer().isActive());
        QVERIFY(world.away->screenSaverTimer().isActive());
        QCOMPARE(world.away->inactivityTimer().interval(), 5000);
        world.wait(60000);
        QVERIFY(world.away->isAwayByInactivity());
        world.settings.VTLForm.Timer_AutoAnswering_Enabled.setValue(false);
        QVERIFY(!world.away->inactivityTimer().isActive());
        QVERIFY(world.away->isAwayByInactivity());
        world.settings.VTLForm.Timer_AAScreenSaver_Enabled.setValue(false);
        QVERIFY(!world.away->screenSaverTimer().isActive());
        world.settings.VTLForm.Timer_AutoAnswering_Enabled.setValue(true);
        QVERIFY(world.away->inactivityTimer().isActive());
    }

    void goingAwayTakesTheDialogsAwayText()
    {
        World world(World::Source::Mouse, 1);
        QCOMPARE(world.texts.text(), u"Меня нет"_s);
        world.settings.fmConfig.SpeedBtn_AAText_Caption.setValue(u"Ушёл на обед"_s);
        world.wait(60000);
        QCOMPARE(world.texts.text(), u"Ушёл на обед"_s);
        // Written back at exit.
        world.texts.save();
        Settings reread(world.settings.path());
        QCOMPARE(reread.VTLForm.S_Answering.value(), u"Ушёл на обед"_s);
    }

    void awayTextListOperationsFollowTheLocale()
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(u"VantrelMsg.ini"_s));
        AwayTexts russian(settings, {}, QLocale(QLocale::Russian));
        QStringList list{u"Меня нет"_s};
        QVERIFY(!russian.addItem(u"МЕНЯ НЕТ"_s, list));
        QVERIFY(!russian.addItem(u"   "_s, list));
        QVERIFY(russian.addItem(u" На совещании "_s, list));
        QCOMPARE(list, (QStringList{u"Меня нет"_s, u" На совещании "_s}));
        QVERIFY(russian.addItem(u"in"_s, list));
        QVERIFY(!russian.addItem(u"IN"_s, list));
        // Turkish upper-cases "i" to a dotted capital: "IN" is another text there.
        AwayTexts turkish(settings, {}, QLocale(QLocale::Turkish));
        QVERIFY(turkish.addItem(u"IN"_s, list));
        QVERIFY(turkish.deleteItem(u"in"_s, list));
        QCOMPARE(list.constLast(), u"IN"_s);
        QVERIFY(russian.deleteItem(u"меня НЕТ"_s, list));
        QVERIFY(!russian.deleteItem(u"меня нет"_s, list));
        QVERIFY(!russian.deleteItem(u" "_s, list));
    }

    void theListIsSavedAndTheDialogCopyDeferred()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"VantrelMsg.ini"_s);
        bool showing = false;
        {
            Settings settings(path);
            AwayTexts texts(settings, [&showing] { return showing; });
            int changes = 0;
            connect(&texts, &AwayTexts::listChanged, this, [&changes] { ++changes; });
            texts.setItems({});
            QCOMPARE(changes, 1);
            texts.setItems({});
            QCOMPARE(changes, 1);
            showing = true;
            texts.setText(u"Скоро буду"_s);
            QCOMPARE(texts.editorText(), u"Скоро буду"_s);
            QVERIFY(settings.fmConfig.SpeedBtn_AAText_Caption.hasUnsavedChange());
            showing = false;
            texts.setText(u"Дома"_s);
            QCOMPARE(texts.editorText(), u"Дома"_s);
        }
        Settings reread(path);
        // An emptied list stays empty; the dialog's copy waits for the dialog's OK.
        QVERIFY(reread.VTLForm.ListBox_Answering_Items.value().isEmpty());
        QCOMPARE(reread.fmConfig.SpeedBtn_AAText_Caption.value(), u"Меня нет"_s);
    }
};

QTEST_GUILESS_MAIN(TestAwayMode)
#include "test_awaymode.moc"
