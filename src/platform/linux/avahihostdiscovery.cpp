#include "platform/linux/avahihostdiscovery.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QHostAddress>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

const QString AvahiService = u"org.freedesktop.Avahi"_s;
const QString ServerInterface = u"org.freedesktop.Avahi.Server"_s;
const QString BrowserInterface = u"org.freedesktop.Avahi.ServiceBrowser"_s;
constexpr int AnyInterface = -1; // AVAHI_IF_UNSPEC
constexpr int IPv4 = 0;          // AVAHI_PROTO_INET
constexpr int CallTimeoutMs = 5000;

} // namespace

AvahiHostDiscovery::AvahiHostDiscovery(QObject* parent)
    : HostDiscovery(parent)
    , m_bus(u"vantrel-unconnected"_s)
{}

AvahiHostDiscovery::~AvahiHostDiscovery()
{
    stop();
}

QStringList AvahiHostDiscovery::serviceTypes()
{
    return {u"_workstation._tcp"_s, u"_device-info._tcp"_s, u"_smb._tcp"_s, u"_ssh._tcp"_s};
}

QString AvahiHostDiscovery::shortHostName(const QString& host)
{
    return host.section(u'.', 0, 0);
}

bool AvahiHostDiscovery::start()
{
    if (m_listening)
        return true;
    m_bus = QDBusConnection::systemBus();
    if (!m_bus.isConnected())
        return false;
    m_listening = true;
    ++m_generation;
    // Signals of every browser path are taken before any browser exists: a browser starts
    // reporting as soon as it is made, before its path could be named here.
    m_bus.connect(AvahiService, QString(), BrowserInterface, u"ItemNew"_s, this,
                  SLOT(onItemNew(int, int, QString, QString, QString, uint)));
    for (const QString& type : serviceTypes()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(AvahiService, u"/"_s, ServerInterface, u"ServiceBrowserNew"_s);
        call << AnyInterface << IPv4 << type << u"local"_s << uint(0);
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
        watcher->setProperty("generation", m_generation);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, &AvahiHostDiscovery::onBrowserCreated);
    }
    return true;
}

void AvahiHostDiscovery::stop()
{
    if (!m_listening)
        return;
    m_listening = false;
    ++m_generation;
    m_bus.disconnect(AvahiService, QString(), BrowserInterface, u"ItemNew"_s, this,
                     SLOT(onItemNew(int, int, QString, QString, QString, uint)));
    for (const QString& path : std::as_const(m_browsers))
        m_bus.asyncCall(QDBusMessage::createMethodCall(AvahiService, path, BrowserInterface, u"Free"_s));
    m_browsers.clear();
    m_reported.clear();
}

void AvahiHostDiscovery::onBrowserCreated(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError())
        return;
    const QString path = reply.value().path();
    if (watcher->property("generation").toULongLong() != m_generation) {
        // Made for a listening that has ended since.
        m_bus.asyncCall(QDBusMessage::createMethodCall(AvahiService, path, BrowserInterface, u"Free"_s));
        return;
    }
    m_browsers.insert(path);
}

void AvahiHostDiscovery::onItemNew(int interfaceIndex, int protocol, const QString& name, const QString& type,
                                   const QString& domain, uint)
{
    // Items of any browser of these types are taken, whether it is one of this object's or
    // another program's: either way a computer of the local network announced itself.
    if (!m_listening || !serviceTypes().contains(type))
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(AvahiService, u"/"_s, ServerInterface, u"ResolveService"_s);
    call << interfaceIndex << protocol << name << type << domain << IPv4 << uint(0);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
    watcher->setProperty("generation", m_generation);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &AvahiHostDiscovery::onResolved);
}

void AvahiHostDiscovery::onResolved(QDBusPendingCallWatcher* watcher)
{
    watcher->deleteLater();
    if (watcher->property("generation").toULongLong() != m_generation || watcher->isError())
        return;
    const QList<QVariant> values = watcher->reply().arguments();
    // interface, protocol, name, type, domain, host, aprotocol, address, port, txt, flags
    if (values.size() < 8)
        return;
    const QString host = shortHostName(values.at(5).toString());
    const QHostAddress address(values.at(7).toString());
    if (host.isEmpty() || address.protocol() != QAbstractSocket::IPv4Protocol)
        return;
    const QString key = host.toCaseFolded() + u'/' + address.toString();
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    Q_EMIT hostFound(host, address.toString());
}

} // namespace vantrel
