#pragma once

#include "messaging/contactlookup.h"

namespace vantrel {

// A contact list that knows nobody: every name stands for itself.
class NoContacts final : public ContactLookup {
public:
    NoContacts() = default;
    Q_DISABLE_COPY_MOVE(NoContacts)

    QString nickFor(const QString& nameOrAddress) const override { return nameOrAddress; }
    int indexOf(const QString& /*name*/) const override { return -1; }
    QString addressOf(int /*index*/) const override { return {}; }
    void addFavorite(const QString& /*name*/) override {}
};

} // namespace vantrel
