#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// Starting the program when the user logs on.
class Autostart {
public:
    Autostart() = default;
    virtual ~Autostart() = default;
    Q_DISABLE_COPY_MOVE(Autostart)

    // The command line that starts `programPath` with one argument, quoted as the autostart
    // facility requires (e.g. `"/usr/bin/vantrel" m`).
    virtual QString makeCommand(const QString& programPath, const QString& argument) const = 0;

    // True when the entry `name` exists, is enabled and its command equals `command` exactly
    // (letter case included).
    virtual bool isAutorun(const QString& name, const QString& command) const = 0;

    // Creates or replaces the entry `name`; false when it cannot be written.
    virtual bool addAutorun(const QString& name, const QString& command) = 0;

    // Removes the entry `name`; false when it does not exist or cannot be removed.
    virtual bool deleteAutorun(const QString& name) = 0;
};

} // namespace vantrel
