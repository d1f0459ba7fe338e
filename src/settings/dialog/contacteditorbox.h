#pragma once

#include "contacts/favouriteseditor.h"
#include "contacts/ui/contactdialogservices.h"
#include "contacts/ui/contactfields.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vantrel {

class AddressLookup;
class ContactListSnapshot;
class IpAddressEdit;

// `GroupBox_Edit`, " Редактирование пользователя ": the fields of the entry selected in the
// favourites tree. For a group only the nickname (its name) can be changed. Leaving the
// computer name starts the resolve worker, which fills the address only when the address field
// does not have the focus, is blank and "Получать автоматически" is ticked; "Определить
// IP-адрес" (enabled with that box) resolves at once and sets the field, blank when the name
// has no address. "Применить" asks for the fields to be written back (applyRequested).
class ContactEditorBox final : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int MaxNameLength = ContactFields::MaxNameLength;
    static constexpr int MaxNickLength = ContactFields::MaxNickLength;

    explicit ContactEditorBox(ContactDialogServices services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ContactEditorBox)

    // Fills the fields from the node `index` of the list and sets the enabled states.
    void showEntry(const ContactListSnapshot& list, int index);
    FavouritesEditor::Fields fields() const;

    QLineEdit* netNameEdit() const { return m_fields.netName; }
    QLineEdit* nickEdit() const { return m_fields.nick; }
    IpAddressEdit* addressEdit() const { return m_fields.address; }
    QCheckBox* autoAddressBox() const { return m_refIp; }
    QToolButton* findButton() const { return m_fields.find; }
    QToolButton* resolveButton() const { return m_fields.resolve; }
    QPushButton* applyButton() const { return m_apply; }
    AddressLookup& resolveWorker() const { return *m_fields.worker; }

Q_SIGNALS:
    void applyRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ContactDialogServices m_services;
    ContactFields m_fields;
    QCheckBox* m_refIp = nullptr;
    QPushButton* m_apply = nullptr;
    bool m_group = false;
};

} // namespace vantrel
