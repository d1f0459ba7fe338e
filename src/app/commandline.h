#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Action {
        Start,     // normal start (windowed, or headless with --headless)
        Quit,      // --quit: tell the running copy to save and exit
        Send,      // --send TARGET TEXT
        Beep,      // --beep TARGET
        SendFiles, // --send-files TARGET FILE...
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
    QStringList files;
    QString error;

    static CommandLine parse(const QStringList& arguments); // arguments without the program name
    static QString usage();
};

} // namespace vantrel
