#pragma once

#include "platform/desktopnotifier.h"

#include <QDBusConnection>

namespace vantrel {

// Notifications through org.freedesktop.Notifications on the session bus. The balloon level
// sets the urgency (error critical, none low, else normal) and the icon (dialog-information,
// dialog-warning, dialog-error); the call is asynchronous, and an error reply or a bus that
// is not there runs the fallback.
class DBusNotifier final : public DesktopNotifier {
public:
    explicit DBusNotifier(QDBusConnection bus = QDBusConnection::sessionBus());

    void notify(const QString& title, const QString& text, int level, int timeoutMs,
                Fallback fallback) override;

    static QString iconName(int level);
    static uchar urgency(int level);

private:
    QDBusConnection m_bus;
};

} // namespace vantrel
