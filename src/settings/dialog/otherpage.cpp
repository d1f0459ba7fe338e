#include "settings/dialog/otherpage.h"

#include "platform/soundplayer.h"
#include "settings/dialog/filenameedit.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

OtherPage::OtherPage(Settings& settings, SoundPlayer& sound, QWidget* parent)
    : SettingsPage(parent)
    , m_settings(settings)
    , m_sound(sound)
{
    setObjectName(u"TabSheet_Other"_s);
    m_autoAway = new QCheckBox(u"Включать статус \"Отсутствую\" через "_s, this);
    m_autoAway->setObjectName(u"dxCheckbox_AutoAnswering"_s);
    m_awayMinutes = new QSpinBox(this);
    m_awayMinutes->setObjectName(u"SpinEdit_AutoAnswering"_s);
    m_awayMinutes->setRange(1, 60);
    m_screenSaver =
        new QCheckBox(u"Включать статус \"Отсутствую\" при запуске экранной заставки, блокировке"_s, this);
    m_screenSaver->setObjectName(u"dxCheckbox_AAScreenSaver"_s);
    m_awayTextLabel = new QLabel(u"Сообщение статуса \"Отсутствую\":"_s, this);
    m_awayTextLabel->setVisible(false);
    m_awayText = new QPushButton(this);
    m_awayText->setObjectName(u"SpeedBtn_AAText"_s);
    m_awayText->setVisible(false);
    m_playSound = new QCheckBox(u"Проигрывать звуковой файл при получении сообщения"_s, this);
    m_playSound->setObjectName(u"dxCheckbox_PlaySound"_s);
    m_soundFile = new FileNameEdit(u"Звуковые файлы (*.wav)"_s, u"Открыть"_s, this);
    m_soundFile->setObjectName(u"FilenameEdit_PlaySound"_s);
    m_play = new QToolButton(this);
    m_play->setObjectName(u"SpeedButton_PlaySound"_s);
    m_play->setToolTip(u"Проиграть звуковой файл"_s);
    m_play->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_speaker = new QCheckBox(u"Звуковой сигнал через PC Speaker при получении сообщения"_s, this);
    m_speaker->setObjectName(u"dxCheckbox_SpeakerSound"_s);

    auto* awayRow = new QHBoxLayout;
    awayRow->addWidget(m_autoAway);
    awayRow->addWidget(m_awayMinutes);
    awayRow->addWidget(new QLabel(u"минут бездействия"_s, this));
    awayRow->addStretch();
    auto* soundRow = new QHBoxLayout;
    soundRow->addWidget(m_soundFile, 1);
    soundRow->addWidget(m_play);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(awayRow);
    layout->addWidget(m_screenSaver);
    layout->addWidget(m_awayTextLabel);
    layout->addWidget(m_awayText);
    layout->addSpacing(8);
    layout->addWidget(m_playSound);
    layout->addLayout(soundRow);
    layout->addWidget(m_speaker);
    layout->addStretch();

    connect(m_autoAway, &QCheckBox::toggled, this, &OtherPage::updateEnabling);
    connect(m_playSound, &QCheckBox::toggled, this, &OtherPage::updateEnabling);
    connect(m_play, &QToolButton::clicked, this, [this] { m_sound.play(m_soundFile->fileName()); });
}

QString OtherPage::caption() const
{
    return u"Разное"_s;
}

void OtherPage::updateEnabling()
{
    m_awayMinutes->setEnabled(m_autoAway->isChecked());
    m_soundFile->setEnabled(m_playSound->isChecked());
    m_play->setEnabled(m_playSound->isChecked());
}

void OtherPage::load()
{
    const auto& config = m_settings.fmConfig;
    const auto& main = m_settings.VTLForm;
    m_autoAway->setChecked(main.Timer_AutoAnswering_Enabled.value());
    m_awayMinutes->setValue(config.SpinEdit_AutoAnswering_Value.value());
    m_screenSaver->setChecked(main.Timer_AAScreenSaver_Enabled.value());
    m_awayText->setText(config.SpeedBtn_AAText_Caption.value());
    m_playSound->setChecked(config.dxCheckbox_PlaySound_Checked.value());
    m_soundFile->setFileName(config.FilenameEdit_PlaySound_FileName.value());
    m_speaker->setChecked(config.dxCheckbox_SpeakerSound_Checked.value());
    updateEnabling();
}

void OtherPage::apply()
{
    auto& config = m_settings.fmConfig;
    auto& main = m_settings.VTLForm;
    m_awayMinutes->interpretText();
    main.Timer_AutoAnswering_Enabled.setValue(m_autoAway->isChecked(), WriteMode::Deferred);
    config.SpinEdit_AutoAnswering_Value.setValue(m_awayMinutes->value(), WriteMode::Deferred);
    main.Timer_AAScreenSaver_Enabled.setValue(m_screenSaver->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_PlaySound_Checked.setValue(m_playSound->isChecked(), WriteMode::Deferred);
    config.FilenameEdit_PlaySound_FileName.setValue(m_soundFile->fileName(), WriteMode::Deferred);
    config.dxCheckbox_SpeakerSound_Checked.setValue(m_speaker->isChecked(), WriteMode::Deferred);
}

} // namespace vantrel
