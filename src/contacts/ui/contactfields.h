#pragma once

#include "contacts/ui/contactdialogservices.h"

class QLineEdit;
class QToolButton;
class QWidget;

namespace vantrel {

class AddressLookup;
class IpAddressEdit;

// The fields that describe a contact in the contact dialogs (the favourites editor and
// TfmAddUser), made as children of their owner: the computer name with "Найти компьютер в
// сети", the nickname, and the address with "Определить IP-адрес". Typed separators in either
// name are refused with an error balloon; "Определить IP-адрес" resolves the name at once and
// sets the address, blank when it has none. `worker` is the resolve worker the owner starts
// when the name is left, and decides itself what to do with its answer.
class ContactFields final {
public:
    Q_DISABLE_COPY_MOVE(ContactFields)
    static constexpr int MaxNameLength = 64;
    static constexpr int MaxNickLength = 255;

    ContactFields(QWidget* owner, const ContactDialogServices& services);

    // The browse dialog over `window`: a picked name goes into the computer name and the focus
    // to the nickname; the window comes back to the front either way.
    void findComputer(const ContactDialogServices& services, QWidget* window) const;

    QLineEdit* netName = nullptr;
    QLineEdit* nick = nullptr;
    IpAddressEdit* address = nullptr;
    QToolButton* find = nullptr;
    QToolButton* resolve = nullptr;
    AddressLookup* worker = nullptr;

private:
    AddressLookup* m_resolveNow = nullptr;
};

} // namespace vantrel
