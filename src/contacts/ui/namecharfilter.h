#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace vantrel {

// The typing filter of name fields: a typed ";", "[" or "]" (the separators of the contact
// list) is swallowed and `refused` runs, which shows the caller's balloon. Pasted text is not
// filtered here; the list's own checks refuse it when it is written.
class NameCharFilter final : public QObject {
    Q_OBJECT
public:
    // Installs itself on `edit`, as its child.
    NameCharFilter(QLineEdit* edit, std::function<void()> refused);
    Q_DISABLE_COPY_MOVE(NameCharFilter)

    static void install(QLineEdit* edit, std::function<void()> refused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> m_refused;
};

} // namespace vantrel
