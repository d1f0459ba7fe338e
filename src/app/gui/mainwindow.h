#pragma once

#include <QWidget>

class QComboBox;
class QPushButton;
class QLabel;

namespace vantrel {

// The main window: recipient field and commands. Closing it only hides it (the program
// lives on in the tray); moving it snaps it to the edges of the work area.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(MainWindow)

    // Shows the window in front of the others (the tray's "Восстановить", a second start).
    void restoreAndRaise();
    // Places the window at the right edge of its screen (first start).
    void moveToRightEdge();
    // Whether closing hides the window (a tray exists) or only minimises it.
    void setHideOnClose(bool hide) { m_hideOnClose = hide; }

    QComboBox* recipientBox() const { return m_comboBoxComp; }

Q_SIGNALS:
    void writeMessageRequested(const QString& recipient);
    void settingsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    QComboBox* m_comboBoxComp = nullptr;
    QPushButton* m_speedButtonMLM = nullptr;
    QPushButton* m_settingsButton = nullptr;
    QLabel* m_contactsPlaceholder = nullptr;
    bool m_hideOnClose = true;
    bool m_snapping = false;
};

} // namespace vantrel
