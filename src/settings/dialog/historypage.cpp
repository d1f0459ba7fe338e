#include "settings/dialog/historypage.h"

#include "settings/settings.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

HistoryPage::HistoryPage(const SettingsDialogServices& services, QWidget* parent)
    : SettingsPage(parent)
    , m_services(services)
{
    setObjectName(u"TabSheet_History"_s);
    m_history = new QCheckBox(u"Вести историю сообщений"_s, this);
    m_history->setObjectName(u"dxCheckbox_History"_s);
    m_view = new QPushButton(u"Посмотреть"_s, this);
    m_view->setObjectName(u"Button_ViewLog"_s);
    m_clear = new QPushButton(u"Очистить"_s, this);
    m_clear->setObjectName(u"Button_ClearLog"_s);
    m_from = new QCheckBox(u"Отправлять от другого имени"_s, this);
    m_from->setObjectName(u"dxCheckbox_From"_s);
    m_fromName = new QLineEdit(this);
    m_fromName->setObjectName(u"Edit_From"_s);
    m_fromName->setMaxLength(MaxFromLength);
    m_keepRecent = new QCheckBox(u"Возвращать предыдущие сообщения стрелкой вверх"_s, this);
    m_keepRecent->setObjectName(u"dxCheckbox_Clear"_s);
    m_keepRecent->setVisible(false);
    m_autoUncheck = new QCheckBox(u"Автоматически снимать галочки при групповом сообщении"_s, this);
    m_autoUncheck->setObjectName(u"dxCheckbox_AutoUnCheck"_s);
    m_tcp = new QCheckBox(u"Использовать собственный протокол передачи сообщений"_s, this);
    m_tcp->setObjectName(u"dxCheckbox_TCPMessage"_s);
    m_hook = new QCheckBox(u"Принимать сообщения через механизм Hook"_s, this);
    m_hook->setObjectName(u"dxCheckbox_Hook"_s);
    m_hook->setVisible(false);

    auto* logRow = new QHBoxLayout;
    logRow->addWidget(m_history, 1);
    logRow->addWidget(m_view);
    logRow->addWidget(m_clear);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(logRow);
    layout->addSpacing(8);
    layout->addWidget(m_from);
    layout->addWidget(m_fromName);
    layout->addSpacing(8);
    layout->addWidget(m_keepRecent);
    layout->addWidget(m_autoUncheck);
    layout->addWidget(m_tcp);
    layout->addWidget(m_hook);
    layout->addStretch();

    connect(m_from, &QCheckBox::toggled, this, &HistoryPage::updateEnabling);
    connect(m_fromName, &QLineEdit::editingFinished, this,
            [this] { m_fromName->setText(m_fromName->text().trimmed()); });
    connect(m_view, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(m_services.eventLogFile)); });
    connect(m_clear, &QPushButton::clicked, this, &HistoryPage::clearLog);
    connect(m_hook, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            return;
        // No hook library exists for this system: the load fails as a missing library does.
        m_hook->setChecked(false);
        m_services.dialogs.balloon(hookMissingText(), ContactListHost::BalloonLevel::Error);
    });
}

QString HistoryPage::caption() const
{
    return u"Сообщения"_s;
}

QString HistoryPage::hookMissingText()
{
    return u"Динамическая библиотека \"vtl_hook.dll\" не найдена."_s;
}

void HistoryPage::updateEnabling()
{
    m_fromName->setEnabled(m_from->isChecked());
}

void HistoryPage::load()
{
    const auto& config = m_services.settings.fmConfig;
    m_history->setChecked(config.dxCheckbox_History_Checked.value());
    m_from->setChecked(config.dxCheckbox_From_Checked.value());
    m_fromName->setText(config.Edit_From_Text.value());
    m_keepRecent->setChecked(config.dxCheckbox_Clear_Checked.value());
    m_autoUncheck->setChecked(config.dxCheckbox_AutoUnCheck_Checked.value());
    m_tcp->setChecked(config.dxCheckbox_TCPMessage_Checked.value());
    {
        const QSignalBlocker quiet(m_hook);
        m_hook->setChecked(false);
    }
    const bool logExists = QFile::exists(m_services.eventLogFile);
    m_view->setEnabled(logExists);
    m_clear->setEnabled(logExists);
    updateEnabling();
}

void HistoryPage::apply()
{
    auto& config = m_services.settings.fmConfig;
    config.dxCheckbox_History_Checked.setValue(m_history->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_From_Checked.setValue(m_from->isChecked(), WriteMode::Deferred);
    config.Edit_From_Text.setValue(m_fromName->text().trimmed(), WriteMode::Deferred);
    config.dxCheckbox_AutoUnCheck_Checked.setValue(m_autoUncheck->isChecked(), WriteMode::Deferred);
    config.dxCheckbox_TCPMessage_Checked.setValue(m_tcp->isChecked(), WriteMode::Deferred);
}

void HistoryPage::clearLog()
{
    const auto answer = QMessageBox::question(this, u"Подтверждение"_s,
                                              u"Вы действительно хотите очистить файл истории сообщений?"_s,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    QFile log(m_services.eventLogFile);
    if (!log.exists() || log.remove()) {
        m_view->setEnabled(false);
        m_clear->setEnabled(false);
        return;
    }
    QMessageBox::critical(this, u"Ошибка"_s,
                          u"Не могу удалить файл \""_s + m_services.eventLogFile +
                              u"\".\r\n\r\nФайл может быть занят другим приложением."_s);
}

} // namespace vantrel
