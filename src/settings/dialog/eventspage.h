#pragma once

#include "settings/dialog/settingspage.h"

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace vantrel {

class HotKeyEdit;
class Settings;

// "События": the two system-wide hot keys, and where received files go: the folder that
// receives them without asking, and the automatic accepting of files from contacts, which
// needs that folder.
class EventsPage final : public SettingsPage {
    Q_OBJECT
public:
    explicit EventsPage(Settings& settings, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(EventsPage)

    QString caption() const override;
    void load() override;
    void apply() override;

    // The hot keys shown, for the dialog to tell whether OK changed them.
    int mainHotKey() const;
    int awayHotKey() const;

private:
    void updateEnabling();
    void chooseFolder();

    Settings& m_settings;
    HotKeyEdit* m_mainHotKey = nullptr;
    HotKeyEdit* m_awayHotKey = nullptr;
    QCheckBox* m_autoFolder = nullptr;
    QLineEdit* m_folder = nullptr;
    QToolButton* m_browse = nullptr;
    QCheckBox* m_autoContact = nullptr;
};

} // namespace vantrel
