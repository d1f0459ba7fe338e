#pragma once

#include "settings/dialog/settingspage.h"

class QCheckBox;

namespace vantrel {

class FileNameEdit;
class Settings;

// "Смайлики": the external smiley set and its file; without it the built-in set is used.
class SmileysPage final : public SettingsPage {
    Q_OBJECT
public:
    explicit SmileysPage(Settings& settings, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(SmileysPage)

    QString caption() const override;
    void load() override;
    void apply() override;

private:
    void updateEnabling();

    Settings& m_settings;
    QCheckBox* m_external = nullptr;
    FileNameEdit* m_file = nullptr;
};

} // namespace vantrel
