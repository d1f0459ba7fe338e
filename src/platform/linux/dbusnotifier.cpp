#include "platform/linux/dbusnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace vantrel {

DBusNotifier::DBusNotifier(QDBusConnection bus)
    : m_bus(std::move(bus))
{}

QString DBusNotifier::iconName(int level)
{
    switch (level) {
    case 1:
        return u"dialog-information"_s;
    case 2:
        return u"dialog-warning"_s;
    case 3:
        return u"dialog-error"_s;
    default:
        return QString();
    }
}

uchar DBusNotifier::urgency(int level)
{
    // The service's urgencies: 0 low, 1 normal, 2 critical.
    if (level >= 3)
        return 2;
    return level <= 0 ? 0 : 1;
}

void DBusNotifier::notify(const QString& title, const QString& text, int level, int timeoutMs,
                          Fallback fallback)
{
    if (!m_bus.isConnected()) {
        if (fallback)
            fallback();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                                       u"/org/freedesktop/Notifications"_s,
                                                       u"org.freedesktop.Notifications"_s, u"Notify"_s);
    QVariantMap hints;
    hints.insert(u"urgency"_s, QVariant::fromValue(urgency(level)));
    // The service shows plain text: markup characters of a message are not markup.
    QString body = text;
    body.replace(u'&', u"&amp;"_s).replace(u'<', u"&lt;"_s).replace(u'>', u"&gt;"_s);
    call << u"Vantrel"_s << quint32(0) << iconName(level) << title << body << QStringList() << hints
         << qint32(timeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [fallback = std::move(fallback)](QDBusPendingCallWatcher* finished) {
                         if (finished->isError() && fallback)
                             fallback();
                         finished->deleteLater();
                     });
}

} // namespace vantrel
