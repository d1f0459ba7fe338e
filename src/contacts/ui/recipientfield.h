#pragma once

#include <QComboBox>

namespace vantrel {

// The recipient field `ComboBox_Comp`: an editable list of the contacts' display names that
// also takes free text (at most 255 characters). It reports what the user does; its items,
// text and enabled state are set from outside.
class RecipientField final : public QComboBox {
    Q_OBJECT
public:
    explicit RecipientField(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecipientField)

    // Replaces the items (the display names, in list order) keeping the text.
    void setItems(const QStringList& names);
    // Shows an item (-1: none) and a text without reporting them.
    void display(int itemIndex, const QString& text);

Q_SIGNALS:
    // The user typed: the text is no longer a chosen item.
    void textTyped(const QString& text);
    // The user chose an item from the list.
    void itemChosen(int index);
    // The keyboard focus left the field (not for its own drop-down list).
    void focusLeft();
    void enterPressed();
    // F12: the text should be retyped in the other keyboard layout.
    void retypeRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int m_syncing = 0;
};

} // namespace vantrel
