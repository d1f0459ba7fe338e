#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;

namespace vantrel {

// A dotted IPv4 address field of four boxes of 0-255 (`JvIpAddress`). Its text is always an
// address: "0.0.0.0" while it is blank, an empty box counting as 0. Typing "." or a third
// digit moves on to the next box, Backspace in an empty box back to the previous one.
class IpAddressEdit final : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(IpAddressEdit)

    QString text() const;
    // Shows a dotted IPv4 address; anything else (an empty text included) blanks the field.
    void setText(const QString& address);
    // Every box is empty or 0: the field names no address.
    bool isBlank() const;
    // One of the boxes has the keyboard focus.
    bool hasFocusInside() const;
    QLineEdit* box(int index) const { return m_boxes.at(index); }

Q_SIGNALS:
    void textEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusBox(int index, bool atStart);

    QList<QLineEdit*> m_boxes;
};

} // namespace vantrel
