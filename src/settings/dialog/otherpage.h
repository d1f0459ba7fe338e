#pragma once

#include "settings/dialog/settingspage.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace vantrel {

class FileNameEdit;
class Settings;
class SoundPlayer;

// "Разное": the automatic away status (after minutes without input, with the screen saver or
// a locked session) and the signals of a received message: the sound file, with a button that
// plays it, and the PC speaker.
class OtherPage final : public SettingsPage {
    Q_OBJECT
public:
    OtherPage(Settings& settings, SoundPlayer& sound, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(OtherPage)

    QString caption() const override;
    void load() override;
    void apply() override;

private:
    void updateEnabling();

    Settings& m_settings;
    SoundPlayer& m_sound;
    QCheckBox* m_autoAway = nullptr;
    QSpinBox* m_awayMinutes = nullptr;
    QCheckBox* m_screenSaver = nullptr;
    QLabel* m_awayTextLabel = nullptr;
    QPushButton* m_awayText = nullptr;
    QCheckBox* m_playSound = nullptr;
    FileNameEdit* m_soundFile = nullptr;
    QToolButton* m_play = nullptr;
    QCheckBox* m_speaker = nullptr;
};

} // namespace vantrel
