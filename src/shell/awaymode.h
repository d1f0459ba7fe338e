#pragma once

#include <QObject>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <optional>

namespace vantrel {

class AwayTexts;
class IdleTime;
class SessionState;
class Settings;

// The automatic away status: two watchers switch the own status to 1, "Отсутствую", and back.
//
// The inactivity watcher (every 5 s while Timer_AutoAnswering_Enabled) starts the away status
// after SpinEdit_AutoAnswering_Value minutes without activity and ends it at the next
// activity. Activity is the session's input in any program where the desktop tells its idle
// time (then any input ends the away status); elsewhere it is a mouse movement, or a key press
// in the program's own windows, which postpones the away status but does not end it.
//
// The screen-saver watcher (every 5 s while Timer_AAScreenSaver_Enabled) holds the away status
// while the screen saver runs or the session is locked.
//
// Whichever watcher holds the away status, the other one does nothing. When the away status
// ends, the status in force when it started comes back. The hot key toggles between 0 and 1
// without touching the watchers' state.
//
// Main thread only. The checks are public so that they can be driven by a test's own clock.
class AwayMode final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AwayMode)

public:
    static constexpr int CheckIntervalMs = 5000;

    struct Services {
        Settings& settings;
        AwayTexts& texts;
        SessionState& session;
        // The session's idle time; null where the desktop does not tell it.
        IdleTime* idleTime = nullptr;
        // The mouse position, for desktops without an idle time; nullopt when unknown.
        std::function<std::optional<QPoint>()> cursorPosition;
        // The own status and SetStatus.
        std::function<int()> status;
        std::function<void(int)> setStatus;
        // A monotonic clock in milliseconds.
        std::function<qint64()> clock;
    };

    explicit AwayMode(Services services, QObject* parent = nullptr);

    // Starts the timers the settings enable, and follows later changes of the settings.
    void start();

    // Timer_AutoAnsweringTimer.
    void inactivityCheck();
    // Timer_AAScreenSaverTimer.
    void screenSaverCheck();
    // ApplicationEvents_MainShortCut: a key press in one of the program's windows.
    void keyPressed();
    // The away hot key: 0 when the own status is 1, else 1.
    void toggleAway();

    bool isAwayByInactivity() const { return m_away; }
    bool isAwayByScreenSaver() const { return m_screenSaver; }
    // The status restored when the automatic away status ends.
    int savedStatus() const { return m_statusCode; }
    // Milliseconds the inactivity watcher counts as inactive now.
    qint64 inactiveMs() const;
    bool usesSessionIdleTime() const { return m_services.idleTime != nullptr; }

    const QTimer& inactivityTimer() const { return m_inactivityTimer; }
    const QTimer& screenSaverTimer() const { return m_screenSaverTimer; }

private:
    void applySettings();
    void goAway();
    qint64 thresholdMs() const;

    Services m_services;
    QTimer m_inactivityTimer;
    QTimer m_screenSaverTimer;
    qint64 m_lastActivity = 0;
    std::optional<QPoint> m_cursor;
    bool m_away = false;        // f_Away
    bool m_screenSaver = false; // f_ScreenSaver
    int m_statusCode = 0;       // Status_Code
};

} // namespace vantrel
