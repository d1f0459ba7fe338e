#include "settings/dialog/eventspage.h"

#include "settings/dialog/hotkeyedit.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

EventsPage::EventsPage(Settings& settings, QWidget* parent)
    : SettingsPage(parent)
    , m_settings(settings)
{
    setObjectName(u"TabSheet_Events"_s);
    auto* hotKeys = new QGroupBox(u" Горячие клавиши "_s, this);
    m_mainHotKey = new HotKeyEdit(hotKeys);
    m_mainHotKey->setObjectName(u"JvHotKey_Main"_s);
    m_awayHotKey = new HotKeyEdit(hotKeys);
    m_awayHotKey->setObjectName(u"JvHotKey_AA"_s);
    auto* keys = new QGridLayout(hotKeys);
    keys->addWidget(new QLabel(u"Для вызова приложения"_s, hotKeys), 0, 0);
    keys->addWidget(m_mainHotKey, 0, 1);
    keys->addWidget(new QLabel(u"Включение статуса \"Отсутствую\""_s, hotKeys), 1, 0);
    keys->addWidget(m_awayHotKey, 1, 1);

    auto* files = new QGroupBox(u" Прием файлов "_s, this);
    m_autoFolder = new QCheckBox(u"Всегда сохранять в указанную папку"_s, files);
    m_autoFolder->setObjectName(u"Checkbox_AutoFolder"_s);
    m_folder = new QLineEdit(files);
    m_folder->setObjectName(u"Edit_AutoFolder"_s);
    m_browse = new QToolButton(files);
    m_browse->setObjectName(u"Button_AutoFolder"_s);
    m_browse->setText(u"..."_s);
    m_autoContact = new QCheckBox(u"Автоматически принимать файлы от людей в списке контактов"_s, files);
    m_autoContact->setObjectName(u"Checkbox_AutoContact"_s);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);
    auto* fileLayout = new QVBoxLayout(files);
    fileLayout->addWidget(m_autoFolder);
    fileLayout->addLayout(folderRow);
    fileLayout->addWidget(m_autoContact);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hotKeys);
    layout->addWidget(files);
    layout->addStretch();

    connect(m_autoFolder, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            m_autoContact->setChecked(false);
        updateEnabling();
    });
    connect(m_browse, &QToolButton::clicked, this, &EventsPage::chooseFolder);
}

QString EventsPage::caption() const
{
    return u"События"_s;
}

void EventsPage::updateEnabling()
{
    const bool on = m_autoFolder->isChecked();
    m_folder->setEnabled(on);
    m_browse->setEnabled(on);
    m_autoContact->setEnabled(on);
}

void EventsPage::chooseFolder()
{
    const QString current = m_folder->text().trimmed();
    const QString start = QFileInfo(current).isDir() ? current : QString();
    const QString folder = QFileDialog::getExistingDirectory(
        this, u"Выберите папку для сохранения принятых файлов"_s, start, QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        m_folder->setText(folder);
}

int EventsPage::mainHotKey() const
{
    return m_mainHotKey->hotKey();
}

int EventsPage::awayHotKey() const
{
    return m_awayHotKey->hotKey();
}

void EventsPage::load()
{
    const auto& config = m_settings.fmConfig;
    m_mainHotKey->setHotKey(m_settings.VTLForm.JvApplicationHotKey_Main_HotKey.value());
    m_awayHotKey->setHotKey(config.JvApplicationHotKey_AA_HotKey.value());
    m_folder->setText(config.Edit_AutoFolder_Text.value());
    {
        // The stored pair is shown as it is, even an automatic accepting without the folder.
        const QSignalBlocker quiet(m_autoFolder);
        m_autoFolder->setChecked(config.Checkbox_AutoFolder_Checked.value());
    }
    m_autoContact->setChecked(config.Checkbox_AutoContact_Checked.value());
    updateEnabling();
}

void EventsPage::apply()
{
    auto& config = m_settings.fmConfig;
    m_settings.VTLForm.JvApplicationHotKey_Main_HotKey.setValue(m_mainHotKey->hotKey(), WriteMode::Deferred);
    config.JvApplicationHotKey_AA_HotKey.setValue(m_awayHotKey->hotKey(), WriteMode::Deferred);
    config.Checkbox_AutoFolder_Checked.setValue(m_autoFolder->isChecked(), WriteMode::Deferred);
    config.Edit_AutoFolder_Text.setValue(m_folder->text().trimmed(), WriteMode::Deferred);
    config.Checkbox_AutoContact_Checked.setValue(m_autoContact->isChecked() && m_autoFolder->isChecked(),
                                                 WriteMode::Deferred);
}

} // namespace vantrel
