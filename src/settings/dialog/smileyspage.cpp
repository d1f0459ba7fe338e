#include "settings/dialog/smileyspage.h"

#include "settings/dialog/filenameedit.h"
#include "settings/settings.h"

#include <QCheckBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

SmileysPage::SmileysPage(Settings& settings, QWidget* parent)
    : SettingsPage(parent)
    , m_settings(settings)
{
    setObjectName(u"TabSheet_Smiles"_s);
    m_external = new QCheckBox(u"Использовать внешний набор смайликов"_s, this);
    m_external->setObjectName(u"CheckBox_Smiles"_s);
    m_file = new FileNameEdit(u"INI-файлы (*.ini)"_s, u"Открыть"_s, this);
    m_file->setObjectName(u"JvFilenameEdit_Smiles"_s);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_external);
    layout->addWidget(m_file);
    layout->addStretch();
    connect(m_external, &QCheckBox::toggled, this, &SmileysPage::updateEnabling);
}

QString SmileysPage::caption() const
{
    return u"Смайлики"_s;
}

void SmileysPage::updateEnabling()
{
    m_file->setEnabled(m_external->isChecked());
}

void SmileysPage::load()
{
    const auto& config = m_settings.fmConfig;
    m_external->setChecked(config.CheckBox_Smiles_Checked.value());
    m_file->setFileName(config.JvFilenameEdit_Smiles_FileName.value());
    updateEnabling();
}

void SmileysPage::apply()
{
    auto& config = m_settings.fmConfig;
    config.CheckBox_Smiles_Checked.setValue(m_external->isChecked(), WriteMode::Deferred);
    config.JvFilenameEdit_Smiles_FileName.setValue(m_file->fileName(), WriteMode::Deferred);
}

} // namespace vantrel
