#pragma once

#include "messaging/contactlookup.h"

namespace vantrel {

class ContactList;

// The messaging engine's view of the contact list. The lookups may run on any thread; adding
// runs on the list's thread (queued there when called from another one) and skips names that
// are already listed without a balloon.
class ContactListLookup final : public ContactLookup {
public:
    explicit ContactListLookup(ContactList& list);
    Q_DISABLE_COPY_MOVE(ContactListLookup)

    QString nickFor(const QString& nameOrAddress) const override;
    int indexOf(const QString& name) const override;
    QString addressOf(int index) const override;
    void addFavorite(const QString& name) override;

private:
    ContactList& m_list;
};

} // namespace vantrel
