#pragma once

#include <QString>

namespace vantrel {

// Who and where the program runs: read once at start-up and handed to those who need it.
struct LocalNames {
    QString userName;     // the login name
    QString computerName; // the host name up to its first '.'
};

LocalNames ReadLocalNames();

} // namespace vantrel
