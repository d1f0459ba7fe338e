#pragma once

#include "contacts/ui/contactdialogservices.h"

#include <QString>

#include <functional>

namespace vantrel {

class Autostart;
class ContactList;
class ContactListHost;
class Settings;
class SoundPlayer;

// What the settings dialog uses of the program.
struct SettingsDialogServices {
    Settings& settings;
    // The list the favourites page edits, and who answers its questions.
    ContactList& contacts;
    ContactListHost& host;
    // Placements, name resolution, balloons and the computer browser of the contact dialogs.
    ContactDialogServices dialogs;
    // "Автозагрузка": the autostart entry `autorunName` with the command `autorunCommand`.
    Autostart& autostart;
    QString autorunName;
    QString autorunCommand;
    // The event log that "Посмотреть" opens and "Очистить" deletes.
    QString eventLogFile;
    // The test button of the message sound.
    SoundPlayer& sound;
    // A modal error box owned by the main window.
    std::function<void(const QString& title, const QString& text)> errorBox;
};

} // namespace vantrel
