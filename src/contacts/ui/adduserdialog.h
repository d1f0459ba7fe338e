#pragma once

#include "contacts/ui/contactdialogservices.h"
#include "contacts/ui/contactfields.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QToolButton;

namespace vantrel {

class AddressLookup;
class IpAddressEdit;

// TfmAddUser, "Добавить нового пользователя": computer name, nickname and address of a new
// contact. Leaving the computer name, or entering the nickname, with a name given starts the
// resolve worker, which fills the address unless the address field has the focus;
// "Определить IP-адрес" resolves at once and sets the field (blank when the name has no
// address). "OK" needs a computer name (else the focus goes back to it) and gives an empty
// nickname the computer name. Position and size are kept in the section "fmAddUser".
class AddUserDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr QLatin1StringView PlacementSection{"fmAddUser"};
    static constexpr int MaxNameLength = ContactFields::MaxNameLength;
    static constexpr int MaxNickLength = ContactFields::MaxNickLength;

    explicit AddUserDialog(ContactDialogServices services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AddUserDialog)

    // The values after OK: both names trimmed, the address "0.0.0.0" when none.
    QString netName() const;
    QString nick() const;
    QString address() const;

    QLineEdit* netNameEdit() const { return m_fields.netName; }
    QLineEdit* nickEdit() const { return m_fields.nick; }
    IpAddressEdit* addressEdit() const { return m_fields.address; }
    QToolButton* findButton() const { return m_fields.find; }
    QToolButton* resolveButton() const { return m_fields.resolve; }
    QPushButton* okButton() const { return m_ok; }
    AddressLookup& resolveWorker() const { return *m_fields.worker; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startWorker();

    ContactDialogServices m_services;
    ContactFields m_fields;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vantrel
