#include "platform/linux/portalhotkeys.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// One entry of BindShortcuts: an id and its options (description, preferred_trigger).
struct PortalShortcut {
    QString id;
    QVariantMap options;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace vantrel {

namespace {

const QString PortalService = u"org.freedesktop.portal.Desktop"_s;
const QString PortalPath = u"/org/freedesktop/portal/desktop"_s;
const QString ShortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

QString shortcutId(int id)
{
    return u"vantrel-hotkey-"_s + QString::number(id);
}

} // namespace

std::unique_ptr<PortalHotKeys> PortalHotKeys::open(QObject* parent, QDBusConnection bus)
{
    if (!bus.isConnected())
        return nullptr;
    QDBusMessage get = QDBusMessage::createMethodCall(PortalService, PortalPath,
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << ShortcutsInterface << u"version"_s;
    const QDBusMessage reply = bus.call(get, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return nullptr;
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    return std::unique_ptr<PortalHotKeys>(new PortalHotKeys(std::move(bus), parent));
}

PortalHotKeys::PortalHotKeys(QDBusConnection bus, QObject* parent)
    : GlobalHotKeys(parent)
    , m_bus(std::move(bus))
{
    m_bus.connect(PortalService, PortalPath, ShortcutsInterface, u"Activated"_s, this,
                  SLOT(onActivated(QDBusMessage)));
}

PortalHotKeys::~PortalHotKeys()
{
    if (!m_session.isEmpty()) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(PortalService, m_session,
                                                       u"org.freedesktop.portal.Session"_s, u"Close"_s));
    }
}

QString PortalHotKeys::triggerOf(QKeyCombination key)
{
    QString name;
    const Qt::Key k = key.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        name = QChar(u'a' + (k - Qt::Key_A));
    else if (k >= Qt::Key_0 && k <= Qt::Key_9)
        name = QChar(u'0' + (k - Qt::Key_0));
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        name = u'F' + QString::number(k - Qt::Key_F1 + 1);
    else if (k == Qt::Key_Space)
        name = u"space"_s;
    if (name.isEmpty())
        return {};
    QString trigger;
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        trigger += u"CTRL+"_s;
    if (modifiers & Qt::AltModifier)
        trigger += u"ALT+"_s;
    if (modifiers & Qt::ShiftModifier)
        trigger += u"SHIFT+"_s;
    if (modifiers & Qt::MetaModifier)
        trigger += u"LOGO+"_s;
    return trigger + name;
}

bool PortalHotKeys::setHotKey(int id, QKeyCombination key)
{
    if (triggerOf(key).isEmpty())
        return false;
    m_keys.insert(id, key);
    bindLater();
    return true;
}

void PortalHotKeys::clearHotKey(int id)
{
    if (m_keys.remove(id) > 0)
        bindLater();
}

QString PortalHotKeys::newToken()
{
    return u"vantrel"_s + QString::number(++m_tokens);
}

void PortalHotKeys::callWithRequest(const QString& method, QList<QVariant> arguments, const char* slot)
{
    // The Response arrives on a request object whose path the portal derives from our name and
    // the token; listening first means it cannot be missed.
    const QString token = newToken();
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString requestPath = PortalPath + u"/request/"_s + sender + u'/' + token;
    m_bus.connect(PortalService, requestPath, u"org.freedesktop.portal.Request"_s, u"Response"_s, this, slot);
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(u"handle_token"_s, token);
    arguments.append(options);
    QDBusMessage call = QDBusMessage::createMethodCall(PortalService, PortalPath, ShortcutsInterface, method);
    call.setArguments(arguments);
    // Asynchronous: a portal that is slow to answer must not hold up the windows.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        if (finished->isError()) {
            m_creating = false;
            failAll();
        }
        finished->deleteLater();
    });
}

void PortalHotKeys::failAll()
{
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it)
        Q_EMIT failed(it.key());
}

void PortalHotKeys::createSession()
{
    if (m_creating)
        return;
    QVariantMap options;
    options.insert(u"session_handle_token"_s, newToken());
    m_creating = true;
    callWithRequest(u"CreateSession"_s, {options}, SLOT(onSessionCreated(uint, QVariantMap)));
}

void PortalHotKeys::onSessionCreated(uint response, const QVariantMap& results)
{
    m_creating = false;
    m_session = results.value(u"session_handle"_s).toString();
    if (response != 0 || m_session.isEmpty()) {
        m_session.clear();
        failAll();
        return;
    }
    bind();
}

void PortalHotKeys::bindLater()
{
    if (m_bindQueued)
        return;
    m_bindQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bindQueued = false;
        if (m_session.isEmpty())
            createSession();
        else
            bind();
    });
}

void PortalHotKeys::bind()
{
    QList<PortalShortcut> shortcuts;
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it) {
        PortalShortcut shortcut;
        shortcut.id = shortcutId(it.key());
        shortcut.options.insert(u"description"_s, QString(u"Vantrel: "_s + shortcut.id));
        shortcut.options.insert(u"preferred_trigger"_s, triggerOf(it.value()));
        shortcuts.append(shortcut);
    }
    const QList<QVariant> arguments{QVariant::fromValue(QDBusObjectPath(m_session)),
                                    QVariant::fromValue(shortcuts), QString(), QVariantMap()};
    callWithRequest(u"BindShortcuts"_s, arguments, SLOT(onShortcutsBound(uint, QVariantMap)));
}

void PortalHotKeys::onShortcutsBound(uint response, const QVariantMap& results)
{
    Q_UNUSED(results)
    // 1: the user declined, 2: the desktop refused.
    if (response != 0)
        failAll();
}

void PortalHotKeys::onActivated(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    if (arguments.at(0).value<QDBusObjectPath>().path() != m_session)
        return;
    const QString id = arguments.at(1).toString();
    for (auto it = m_keys.constBegin(); it != m_keys.constEnd(); ++it) {
        if (shortcutId(it.key()) == id) {
            Q_EMIT activated(it.key());
            return;
        }
    }
}

} // namespace vantrel
