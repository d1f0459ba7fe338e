#include "settings/dialog/interfacepage.h"

#include "settings/dialog/filenameedit.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

InterfacePage::InterfacePage(Settings& settings, QWidget* parent)
    : SettingsPage(parent)
    , m_settings(settings)
{
    setObjectName(u"TabSheet_Interface"_s);
    m_ref = new QSpinBox(this);
    m_ref->setObjectName(u"SpinEdit_Ref"_s);
    m_ref->setRange(0, 720);
    m_count = new QSpinBox(this);
    m_count->setObjectName(u"SpinEdit_CBComp_Count"_s);
    m_count->setRange(1, 100);
    m_generalList = new QCheckBox(u"Использовать общий список пользователей"_s, this);
    m_generalList->setObjectName(u"CheckBox_General_List"_s);
    m_generalListFile = new FileNameEdit(u"Список пользователей VTL (*.vtl)"_s, u"Открыть"_s, this);
    m_generalListFile->setObjectName(u"FilenameEdit_General_List"_s);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(u"Обновлять статус пользователей каждые"_s, this), 0, 0);
    grid->addWidget(m_ref, 0, 1);
    grid->addWidget(new QLabel(u"минут"_s, this), 0, 2);
    grid->addWidget(new QLabel(u"Число видимых пользователей в списке"_s, this), 1, 0);
    grid->addWidget(m_count, 1, 1);
    grid->setColumnStretch(3, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addWidget(m_generalList);
    layout->addWidget(m_generalListFile);
    layout->addStretch();

    connect(m_generalList, &QCheckBox::toggled, this, &InterfacePage::updateEnabling);
}

QString InterfacePage::caption() const
{
    return u"Интерфейс"_s;
}

void InterfacePage::updateEnabling()
{
    m_generalListFile->setEnabled(m_generalList->isChecked());
}

void InterfacePage::load()
{
    const auto& config = m_settings.fmConfig;
    m_ref->setValue(config.SpinEdit_Ref_Value.value());
    m_count->setValue(config.SpinEdit_CBComp_Count_Value.value());
    m_generalList->setChecked(config.CheckBox_General_List_Checked.value());
    m_generalListFile->setFileName(config.FilenameEdit_General_List_FileName.value());
    updateEnabling();
}

void InterfacePage::apply()
{
    auto& config = m_settings.fmConfig;
    auto& main = m_settings.VTLForm;
    // A value typed but not yet confirmed in a spin box counts as it stands.
    m_ref->interpretText();
    m_count->interpretText();
    const int refresh = m_ref->value();
    config.SpinEdit_Ref_Value.setValue(refresh, WriteMode::Deferred);
    main.Timer_Ping_Enabled.setValue(refresh > 0, WriteMode::Deferred);
    main.Timer_Ping_Interval.setValue(refresh * 60000, WriteMode::Deferred);
    config.SpinEdit_CBComp_Count_Value.setValue(m_count->value(), WriteMode::Deferred);
    main.ComboBox_Comp_DropDownCount.setValue(m_count->value(), WriteMode::Deferred);
    config.CheckBox_General_List_Checked.setValue(m_generalList->isChecked(), WriteMode::Deferred);
    config.FilenameEdit_General_List_FileName.setValue(m_generalListFile->fileName(), WriteMode::Deferred);
}

} // namespace vantrel
