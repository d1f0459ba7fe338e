#pragma once

#include "settings/dialog/settingspage.h"

class QCheckBox;
class QSpinBox;

namespace vantrel {

class FileNameEdit;
class Settings;

// "Интерфейс": the period of the availability check (0 switches it off), the drop-down length
// of the recipient field and the shared contact list with its file.
class InterfacePage final : public SettingsPage {
    Q_OBJECT
public:
    explicit InterfacePage(Settings& settings, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(InterfacePage)

    QString caption() const override;
    void load() override;
    void apply() override;

private:
    void updateEnabling();

    Settings& m_settings;
    QSpinBox* m_ref = nullptr;
    QSpinBox* m_count = nullptr;
    QCheckBox* m_generalList = nullptr;
    FileNameEdit* m_generalListFile = nullptr;
};

} // namespace vantrel
