#pragma once

#include "platform/globalhotkeys.h"

#include <QHash>

#include <memory>

class QSocketNotifier;

namespace vantrel {

// System-wide keys as passive key grabs on the X server's root window, over a connection of
// its own. Each key is grabbed in every state of CapsLock and NumLock, so that it works
// whichever lock is on. A key another program has grabbed already cannot be registered.
class X11HotKeys final : public GlobalHotKeys {
    Q_OBJECT
public:
    ~X11HotKeys() override;
    Q_DISABLE_COPY_MOVE(X11HotKeys)

    // Null when no X server answers on $DISPLAY.
    static std::unique_ptr<X11HotKeys> open(QObject* parent = nullptr);

    bool setHotKey(int id, QKeyCombination key) override;
    void clearHotKey(int id) override;

    // The X key symbol of a Qt key (with the keypad modifier for keypad keys), 0 for none.
    static unsigned long keySymOf(QKeyCombination key);

private:
    struct Connection;
    struct Grab {
        int keyCode = 0;
        unsigned modifiers = 0;
    };
    X11HotKeys(std::unique_ptr<Connection> connection, QObject* parent);

    // Grabs or releases the key in every lock state; grabbing reports whether the server
    // accepted every one.
    bool grab(const Grab& grab);
    void ungrab(const Grab& grab);
    void readEvents();

    std::unique_ptr<Connection> m_connection;
    QSocketNotifier* m_notifier = nullptr;
    QHash<int, Grab> m_grabs;
};

} // namespace vantrel
