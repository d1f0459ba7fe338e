#pragma once

#include <QMenu>

class QActionGroup;

namespace vantrel {

// The own-status menu: three radio items "В сети", "Отсутствую", "Не беспокоить" whose
// index is the status code. The main window's status button and the tray's "Статус" item
// each show one; both are kept ticked alike through setStatus().
class StatusMenu final : public QMenu {
    Q_OBJECT
public:
    explicit StatusMenu(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(StatusMenu)

    static QString caption(int code);
    // The status picture of a code (0, 1, 2).
    static QIcon statusIcon(int code);

    void setStatus(int code);
    int status() const;

Q_SIGNALS:
    // A status item was clicked; the code is its index.
    void statusChosen(int code);

private:
    QActionGroup* m_group = nullptr;
};

} // namespace vantrel
