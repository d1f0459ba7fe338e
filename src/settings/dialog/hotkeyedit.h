#pragma once

#include <QLineEdit>

namespace vantrel {

// A field that takes a system-wide hot key by having it pressed (`JvHotKey`). The value is
// the stored hot-key number (see HotKeyCode). A key pressed without modifiers, or with Shift
// alone, becomes Ctrl+Alt plus that key; Backspace or Delete alone clears the field (0, no hot
// key); Tab and Shift+Tab move the focus as usual; modifiers alone change nothing.
class HotKeyEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit HotKeyEdit(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(HotKeyEdit)

    int hotKey() const { return m_code; }
    void setHotKey(int code);

Q_SIGNALS:
    void hotKeyChanged(int code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    int m_code = 0;
};

} // namespace vantrel
