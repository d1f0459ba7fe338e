#include "shell/awaymode.h"

#include "platform/idletime.h"
#include "platform/sessionstate.h"
#include "settings/settings.h"
#include "shell/awaytexts.h"

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// The session's idle time and the program's clock are read one after the other: an activity
// counts as new only when it lies this much after the one already known.
constexpr qint64 IdleJitterMs = 1000;

} // namespace

AwayMode::AwayMode(Services services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
{
    m_lastActivity = m_services.clock();
    m_inactivityTimer.setInterval(CheckIntervalMs);
    m_screenSaverTimer.setInterval(CheckIntervalMs);
    connect(&m_inactivityTimer, &QTimer::timeout, this, &AwayMode::inactivityCheck);
    connect(&m_screenSaverTimer, &QTimer::timeout, this, &AwayMode::screenSaverCheck);
}

void AwayMode::start()
{
    connect(&m_services.settings, &Settings::changed, this, [this](const QString&, const QString& key) {
        if (key.startsWith(u"Timer_AutoAnswering_"_s) || key.startsWith(u"Timer_AAScreenSaver_"_s))
            applySettings();
    });
    applySettings();
}

void AwayMode::applySettings()
{
    // A stopped watcher keeps its flag: an away status it holds stays until it runs again.
    const auto follow = [](QTimer& timer, bool enabled) {
        if (!enabled)
            timer.stop();
        else if (!timer.isActive())
            timer.start();
    };
    const bool inactivity = m_services.settings.VTLForm.Timer_AutoAnswering_Enabled.value();
    if (inactivity && !m_inactivityTimer.isActive())
        m_lastActivity = m_services.clock(); // no credit for the time it was off
    follow(m_inactivityTimer, inactivity);
    follow(m_screenSaverTimer, m_services.settings.VTLForm.Timer_AAScreenSaver_Enabled.value());
}

qint64 AwayMode::thresholdMs() const
{
    return qint64(m_services.settings.fmConfig.SpinEdit_AutoAnswering_Value.value()) * 60000;
}

qint64 AwayMode::inactiveMs() const
{
    return m_services.clock() - m_lastActivity;
}

void AwayMode::inactivityCheck()
{
    if (m_screenSaver)
        return;
    const qint64 now = m_services.clock();
    bool activity = false;
    if (m_services.idleTime) {
        if (const std::optional<qint64> idle = m_services.idleTime->idleMs()) {
            const qint64 inputAt = now - *idle;
            activity = inputAt > m_lastActivity + IdleJitterMs;
            m_lastActivity = qMax(m_lastActivity, inputAt);
        }
    } else if (m_services.cursorPosition) {
        const std::optional<QPoint> position = m_services.cursorPosition();
        if (position && m_cursor && *position != *m_cursor) {
            activity = true;
            m_lastActivity = now;
        }
        if (position)
            m_cursor = position;
    }
    if (activity && m_away) {
        m_away = false;
        m_services.setStatus(m_statusCode);
        return;
    }
    if (!m_away && now - m_lastActivity >= thresholdMs()) {
        m_away = true;
        goAway();
    }
}

void AwayMode::screenSaverCheck()
{
    if (m_away)
        return;
    SessionState& session = m_services.session;
    if (session.isScreenSaverRunning() || session.isWorkstationLocked()) {
        if (!m_screenSaver) {
            m_screenSaver = true;
            goAway();
        }
    } else if (m_screenSaver) {
        m_screenSaver = false;
        // Unlocking is activity: the inactivity watcher starts counting afresh.
        m_lastActivity = m_services.clock();
        m_services.setStatus(m_statusCode);
    }
}

void AwayMode::goAway()
{
    m_services.texts.takeDialogText();
    m_statusCode = m_services.status();
    m_services.setStatus(1);
}

void AwayMode::keyPressed()
{
    if (m_inactivityTimer.isActive())
        m_lastActivity = m_services.clock();
}

void AwayMode::toggleAway()
{
    m_services.setStatus(m_services.status() == 1 ? 0 : 1);
}

} // namespace vantrel
