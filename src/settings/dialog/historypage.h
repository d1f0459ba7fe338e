#pragma once

#include "settings/dialog/settingsdialogservices.h"
#include "settings/dialog/settingspage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vantrel {

// "Сообщения": the history logs and the event log's "Посмотреть" and "Очистить", the other
// sender name, the automatic unticking after a group send, and the message transports: with
// "Использовать собственный протокол передачи сообщений" off, text messages go through the
// Messenger service (Samba's smbclient). The hook of the Messenger service does not exist on
// this system (popups arrive through `vantrel --messenger-popup`), so its box stays hidden, and
// a switch to it is refused with the error of a missing hook library.
class HistoryPage final : public SettingsPage {
    Q_OBJECT
public:
    static constexpr int MaxFromLength = 36;

    explicit HistoryPage(const SettingsDialogServices& services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(HistoryPage)

    QString caption() const override;
    void load() override;
    void apply() override;

    static QString hookMissingText();

private:
    void updateEnabling();
    void clearLog();

    const SettingsDialogServices& m_services;
    QCheckBox* m_history = nullptr;
    QPushButton* m_view = nullptr;
    QPushButton* m_clear = nullptr;
    QCheckBox* m_from = nullptr;
    QLineEdit* m_fromName = nullptr;
    QCheckBox* m_keepRecent = nullptr;
    QCheckBox* m_autoUncheck = nullptr;
    QCheckBox* m_tcp = nullptr;
    QCheckBox* m_hook = nullptr;
};

} // namespace vantrel
