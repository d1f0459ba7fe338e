#pragma once

#include "platform/autostart.h"

#include <QString>

namespace vantrel {

// Autostart through a desktop entry in $XDG_CONFIG_HOME/autostart/<name>.desktop, which desktop
// sessions following the XDG autostart convention start at logon.
class XdgAutostart final : public Autostart {
public:
    // `autostartFolder` empty: the user's autostart folder below the configuration folder.
    explicit XdgAutostart(const QString& autostartFolder = {});

    QString makeCommand(const QString& programPath, const QString& argument) const override;
    bool isAutorun(const QString& name, const QString& command) const override;
    bool addAutorun(const QString& name, const QString& command) override;
    bool deleteAutorun(const QString& name) override;

    QString entryPath(const QString& name) const;

private:
    QString m_folder;
};

} // namespace vantrel
