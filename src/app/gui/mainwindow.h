#pragma once

#include "contacts/ui/contacttreecontroller.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QMenu;
class QPushButton;
class QToolButton;

namespace vantrel {

// The main window: the contact tree above the recipient field, and the commands. Closing it only hides it
// (the program lives on in the tray); moving it snaps it to the edges of the work area.
class ContactTreeWidget;
class NetBrowseMenu;
class RecipientField;
class StatusMenu;

class MainWindow final : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Shows the window in front of the others (the tray's "Восстановить", a second start).
    void restoreAndRaise();
    // Places the window at the right edge of its screen (first start).
    void moveToRightEdge();
    // Whether closing hides the window (a tray exists) or only minimises it.
    void setHideOnClose(bool hide) { m_hideOnClose = hide; }
    // The toggle flag: set when the restore action brought the window up, so that the next
    // restore hides it again; cleared when the window loses the focus, Esc or the close
    // button hides it.
    bool isToggled() const { return m_toggled; }
    void setToggled(bool toggled) { m_toggled = toggled; }
    // PopupMenu_Help of the "Справка..." button.
    QMenu* helpMenu() const { return m_helpMenu; }

    QComboBox* recipientBox() const;
    ContactTreeWidget* contactTree() const { return m_treeViewUsers; }

    // Shows the contact list and the recipient choice; until then tree and field are empty.
    void attachContacts(ContactTreeController::Services services);
    // Lets go of the contact list (before it goes away at shut-down).
    void detachContacts();
    ContactTreeController* contactController() const { return m_controller.get(); }
    // The menu behind the label "Сетевое имя" (`PopupMenu_NetBrowse`).
    NetBrowseMenu* netBrowseMenu() const { return m_netBrowseMenu; }
    // Opens that menu at `globalPos`, with what the recipient field's state allows.
    void popupNetBrowseMenu(const QPoint& globalPos);
    // Makes a browsed or chosen name the recipient text, as if typed and left.
    void chooseRecipient(const QString& text);
    // The own-status menu behind the status button ("Сменить статус").
    StatusMenu* statusMenu() const { return m_statusMenu; }
    // Shows the own status on the status button and ticks it in its menu.
    void showStatus(int code);
    // While a presence worker runs the settings and check buttons are disabled.
    void setPresenceBusy(bool busy);
    // The check button's hint: the contact being checked, or what the button does.
    void setCheckHint(const QString& hint);
    static QString idleCheckHint();

Q_SIGNALS:
    void writeMessageRequested(const QString& recipient);
    // A double click or "Сообщение" on a node: its conversation window.
    void conversationRequested(const QString& contact);
    void settingsRequested();
    // "Обзор компьютеров...": the browse-for-computer dialog for the recipient field.
    void computerBrowseRequested();
    // The check button or Shift+F5 asks for a check of the whole tree.
    void wholeTreeCheckRequested();
    // F1 and "Справка": the help page.
    void helpRequested();
    // "О программе...".
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void requestMessageWindow();

    ContactTreeWidget* m_treeViewUsers = nullptr;
    RecipientField* m_comboBoxComp = nullptr;
    QToolButton* m_netLabel = nullptr;
    NetBrowseMenu* m_netBrowseMenu = nullptr;
    QPushButton* m_speedButtonMLM = nullptr;
    QPushButton* m_settingsButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QMenu* m_helpMenu = nullptr;
    QToolButton* m_statusButton = nullptr;
    QToolButton* m_pingButton = nullptr;
    StatusMenu* m_statusMenu = nullptr;
    std::unique_ptr<ContactTreeController> m_controller;
    bool m_hideOnClose = true;
    bool m_snapping = false;
    bool m_toggled = false;
};

} // namespace vantrel
