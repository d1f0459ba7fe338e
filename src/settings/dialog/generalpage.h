#pragma once

#include "settings/dialog/settingsdialogservices.h"
#include "settings/dialog/settingspage.h"

class QCheckBox;

namespace vantrel {

// "Основные": start with the session, keyboard layout, sending by address, hiding the main
// window after a send, notifications and opening conversations at once. "Автозагрузка" is not
// stored with the settings: it shows whether the autostart entry exists with this program's
// command, and OK writes or removes the entry only when the box was changed.
class GeneralPage final : public SettingsPage {
    Q_OBJECT
public:
    explicit GeneralPage(const SettingsDialogServices& services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(GeneralPage)

    QString caption() const override;
    void load() override;
    void apply() override;

private:
    const SettingsDialogServices& m_services;
    QCheckBox* m_autoRun = nullptr;
    QCheckBox* m_rus = nullptr;
    QCheckBox* m_ip = nullptr;
    QCheckBox* m_min = nullptr;
    QCheckBox* m_notifications = nullptr;
    QCheckBox* m_popup = nullptr;
    bool m_fAutoRun = false;
};

} // namespace vantrel
