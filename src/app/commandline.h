#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Action {
        Start,          // normal start (windowed, or headless with --headless)
        Quit,           // --quit: tell the running copy to save and exit
        Send,           // --send TARGET TEXT
        Beep,           // --beep TARGET
        SendFiles,      // --send-files TARGET FILE...
        MessengerPopup, // --messenger-popup FILE: hand a popup text to the running copy
        Status,         // --status CODE: set the running copy's own status (0, 1 or 2)
        Help,
        Version,
        Error // unusable command line: `error` says why, exit code 2
    };

    Action action = Action::Start;
    bool headless = false;
    QString bindAddress; // --bind ADDRESS; empty: all local addresses
    // The first plain argument, lower-cased: "a" registers autostart, "d" removes it,
    // "m" starts hidden in the tray. Any other first plain argument is ignored.
    bool autorunAdd = false;
    bool autorunDelete = false;
    bool startHidden = false;
    QString target;
    QString text;
    QStringList files; // --send-files; --messenger-popup: its one file ("-": standard input)
    QString error;
    int statusCode = 0; // --status CODE

    // The single-instance command that carries --status: "status N".
    static QByteArray statusCommand(int code);
    // Reads "status N" with N one of 0, 1, 2; false for any other command.
    static bool parseStatusCommand(const QByteArray& command, int& code);

    static CommandLine parse(const QStringList& arguments); // arguments without the program name
    static QString usage();
};

} // namespace vantrel
