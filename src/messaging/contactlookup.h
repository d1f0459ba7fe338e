#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// The messaging engine's view of the contact list.
class ContactLookup {
public:
    ContactLookup() = default;
    virtual ~ContactLookup() = default;
    Q_DISABLE_COPY_MOVE(ContactLookup)

    // The contact name of a computer name, display name or IP address text; the input itself
    // when no contact matches.
    virtual QString nickFor(const QString& nameOrAddress) const = 0;
    // The index of the contact with this name, or -1.
    virtual int indexOf(const QString& name) const = 0;
    // The address a message to the contact at `index` goes to (IP address or computer name).
    virtual QString addressOf(int index) const = 0;
    // Adds a computer name to the favourites.
    virtual void addFavorite(const QString& name) = 0;
};

} // namespace vantrel
