#pragma once

#include "contacts/contactlisthost.h"

#include <QString>

#include <functional>

class QWidget;

namespace vantrel {

class NetworkProbes;
class Settings;

// What the contact dialogs (the favourites editor, TfmAddUser, TfmInputName) use of the
// program.
struct ContactDialogServices {
    // Window placements of the dialogs.
    Settings& settings;
    // Name resolution of the resolve workers.
    NetworkProbes& probes;
    // A tray balloon with the application title.
    std::function<void(const QString& text, ContactListHost::BalloonLevel level)> balloon;
    // The browse-for-computer dialog owned by `parent`: the picked name, empty when none.
    std::function<QString(QWidget* parent)> browseComputer;
};

} // namespace vantrel
