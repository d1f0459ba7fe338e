#include "platform/linux/dbussessionstate.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// The first argument of the reply, or an invalid variant when the call failed.
QVariant callForValue(const QDBusConnection& bus, const QDBusMessage& call, int timeoutMs)
{
    if (!bus.isConnected())
        return {};
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst();
}

} // namespace

DBusSessionState::DBusSessionState(int timeoutMs)
    : m_timeoutMs(timeoutMs)
{}

bool DBusSessionState::isScreenSaverRunning() const
{
    const QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s,
                                       u"org.freedesktop.ScreenSaver"_s, u"GetActive"_s);
    const QVariant active = callForValue(QDBusConnection::sessionBus(), call, m_timeoutMs);
    return active.metaType() == QMetaType::fromType<bool>() && active.toBool();
}

bool DBusSessionState::isWorkstationLocked() const
{
    const QString service = u"org.freedesktop.login1"_s;
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;

    QDBusMessage find;
    const QString sessionId = qEnvironmentVariable("XDG_SESSION_ID");
    if (!sessionId.isEmpty()) {
        find = QDBusMessage::createMethodCall(service, u"/org/freedesktop/login1"_s,
                                              u"org.freedesktop.login1.Manager"_s, u"GetSession"_s);
        find << sessionId;
    } else {
        find = QDBusMessage::createMethodCall(service, u"/org/freedesktop/login1"_s,
                                              u"org.freedesktop.login1.Manager"_s, u"GetSessionByPID"_s);
        find << quint32(QCoreApplication::applicationPid());
    }
    const QVariant path = callForValue(bus, find, m_timeoutMs);
    if (path.metaType() != QMetaType::fromType<QDBusObjectPath>())
        return false;

    QDBusMessage get = QDBusMessage::createMethodCall(service, path.value<QDBusObjectPath>().path(),
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << u"org.freedesktop.login1.Session"_s << u"LockedHint"_s;
    const QVariant locked = callForValue(bus, get, m_timeoutMs);
    if (locked.metaType() != QMetaType::fromType<QDBusVariant>())
        return false;
    const QVariant value = locked.value<QDBusVariant>().variant();
    return value.metaType() == QMetaType::fromType<bool>() && value.toBool();
}

} // namespace vantrel
