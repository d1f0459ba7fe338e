#pragma once

#include <QKeyCombination>
#include <QObject>

namespace vantrel {

// System-wide hot keys: a key combination that reaches the program whichever window has the
// focus. Each key is known by an id of the caller's choice.
class GlobalHotKeys : public QObject {
    Q_OBJECT
public:
    explicit GlobalHotKeys(QObject* parent = nullptr)
        : QObject(parent)
    {}
    Q_DISABLE_COPY_MOVE(GlobalHotKeys)

    // Registers `key` under `id`, replacing what `id` had. False when the key cannot be
    // registered (taken by another program, no such key, no facility); a facility that
    // answers later reports a failure through failed().
    virtual bool setHotKey(int id, QKeyCombination key) = 0;
    // Gives the key of `id` back to the system.
    virtual void clearHotKey(int id) = 0;

Q_SIGNALS:
    void activated(int id);
    // A registration accepted at first was refused later.
    void failed(int id);
};

} // namespace vantrel
