#include "platform/linux/dbusidletime.h"

#include <QDBusMessage>

using namespace Qt::StringLiterals;

namespace vantrel {

DBusIdleTime::DBusIdleTime(QDBusConnection bus, Service service, int timeoutMs)
    : m_bus(std::move(bus))
    , m_service(service)
    , m_timeoutMs(timeoutMs)
{}

std::unique_ptr<DBusIdleTime> DBusIdleTime::open(QDBusConnection bus, int timeoutMs)
{
    if (!bus.isConnected())
        return nullptr;
    for (const Service service : {Service::Mutter, Service::ScreenSaver}) {
        std::unique_ptr<DBusIdleTime> source(new DBusIdleTime(bus, service, timeoutMs));
        if (source->idleMs())
            return source;
    }
    return nullptr;
}

std::optional<qint64> DBusIdleTime::idleMs()
{
    QDBusMessage call;
    if (m_service == Service::Mutter) {
        call = QDBusMessage::createMethodCall(u"org.gnome.Mutter.IdleMonitor"_s,
                                              u"/org/gnome/Mutter/IdleMonitor/Core"_s,
                                              u"org.gnome.Mutter.IdleMonitor"_s, u"GetIdletime"_s);
    } else {
        call = QDBusMessage::createMethodCall(u"org.freedesktop.ScreenSaver"_s,
                                              u"/org/freedesktop/ScreenSaver"_s,
                                              u"org.freedesktop.ScreenSaver"_s, u"GetSessionIdleTime"_s);
    }
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    bool ok = false;
    // Both answer in milliseconds (an unsigned 64-bit and 32-bit number).
    const qlonglong value = reply.arguments().constFirst().toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return qint64(value);
}

} // namespace vantrel
