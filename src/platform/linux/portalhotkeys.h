#pragma once

#include "platform/globalhotkeys.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>

#include <memory>

namespace vantrel {

// System-wide keys through the desktop portal's org.freedesktop.portal.GlobalShortcuts
// (Wayland desktops). The keys are bound in one session of the portal; the desktop may ask
// the user to confirm them and may give a different trigger. A key the desktop refuses is
// reported through failed().
class PortalHotKeys final : public GlobalHotKeys {
    Q_OBJECT
public:
    ~PortalHotKeys() override;
    Q_DISABLE_COPY_MOVE(PortalHotKeys)

    // Null when the session bus offers no portal with global shortcuts.
    static std::unique_ptr<PortalHotKeys> open(QObject* parent = nullptr,
                                               QDBusConnection bus = QDBusConnection::sessionBus());

    bool setHotKey(int id, QKeyCombination key) override;
    void clearHotKey(int id) override;

    // The trigger text the portal takes ("CTRL+ALT+r"); empty for a key without one.
    static QString triggerOf(QKeyCombination key);

private Q_SLOTS:
    void onSessionCreated(uint response, const QVariantMap& results);
    void onShortcutsBound(uint response, const QVariantMap& results);
    void onActivated(const QDBusMessage& message);

private:
    PortalHotKeys(QDBusConnection bus, QObject* parent);

    // Calls a portal method that answers through a Request object; `slot` gets the Response.
    void callWithRequest(const QString& method, QList<QVariant> arguments, const char* slot);
    void createSession();
    void failAll();
    void bindLater();
    void bind();
    QString newToken();

    QDBusConnection m_bus;
    QString m_session;
    QMap<int, QKeyCombination> m_keys;
    bool m_creating = false;
    bool m_bindQueued = false;
    int m_tokens = 0;
};

} // namespace vantrel
