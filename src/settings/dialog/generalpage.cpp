#include "settings/dialog/generalpage.h"

#include "platform/autostart.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

} // namespace

GeneralPage::GeneralPage(const SettingsDialogServices& services, QWidget* parent)
    : SettingsPage(parent)
    , m_services(services)
{
    setObjectName(u"TabSheet_General"_s);
    m_autoRun = checkBox(this, u"dxCheckbox_AutoRun"_s, u"Автозагрузка"_s);
    m_rus = checkBox(this, u"dxCheckbox_RUS"_s, u"Русская раскладка при старте"_s);
    m_ip = checkBox(this, u"dxCheckbox_IP"_s, u"Отправлять по IP-адресу"_s);
    m_min = checkBox(this, u"dxCheckbox_Min"_s, u"Сворачивать главное окно после отправки"_s);
    m_notifications = checkBox(this, u"dxCheckbox_Notifications"_s, u"Оповещать при получении сообщения"_s);
    m_popup = checkBox(this, u"CheckBox_Popup"_s, u"Открывать окно сообщений при получении сообщения"_s);
    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {m_autoRun, m_rus, m_ip, m_min, m_notifications, m_popup})
        layout->addWidget(box);
    layout->addStretch();
}

QString GeneralPage::caption() const
{
    return u"Основные"_s;
}

void GeneralPage::load()
{
    m_fAutoRun = m_services.autostart.isAutorun(m_services.autorunName, m_services.autorunCommand);
    m_autoRun->setChecked(m_fAutoRun);
    const auto& config = m_services.settings.fmConfig;
    m_rus->setChecked(config.dxCheckbox_RUS_Checked.value());
    m_ip->setChecked(config.dxCheckbox_IP_Checked.value());
    m_min->setChecked(config.dxCheckbox_Min_Checked.value());
    m_notifications->setChecked(config.dxCheckbox_Notifications_Checked.value());
    m_popup->setChecked(config.CheckBox_Popup_Checked.value());
}

void GeneralPage::apply()
{
    auto& config = m_services.settings.fmConfig;
    config.dxCheckbox_RUS_Checked.setValue(m_rus->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_IP_Checked.setValue(m_ip->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_Min_Checked.setValue(m_min->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_Notifications_Checked.setValue(m_notifications->isChecked(), WriteMode::Deferred);
    config.CheckBox_Popup_Checked.setValue(m_popup->isChecked(), WriteMode::Deferred);

    // The entry is touched only when the box was changed: an entry another version wrote,
    // with another path, is left alone otherwise.
    if (m_autoRun->isChecked() == m_fAutoRun)
        return;
    m_fAutoRun = m_autoRun->isChecked();
    if (m_fAutoRun) {
        if (!m_services.autostart.addAutorun(m_services.autorunName, m_services.autorunCommand))
            m_services.errorBox(u"Ошибка"_s, u"Ошибка записи параметра автозагрузки!"_s);
    } else if (!m_services.autostart.deleteAutorun(m_services.autorunName)) {
        m_services.errorBox(u"Ошибка"_s, u"Ошибка удаления параметра из реестра!"_s);
    }
}

} // namespace vantrel
