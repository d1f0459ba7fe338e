#pragma once

#include "settings/dialog/settingsdialogservices.h"
#include "settings/dialog/settingspage.h"

#include <QStringList>

class QListWidget;
class QPushButton;

namespace vantrel {

// "Чёрный список": the computer names (or IPv4 addresses) whose requests are refused, shown
// sorted. The page edits its own copy; OK hands the whole list to the settings model in one
// assignment, which is when the listener starts to use it, and any other close drops the
// edits (the next opening shows the stored list again).
class BlackListPage final : public SettingsPage {
    Q_OBJECT
public:
    explicit BlackListPage(const SettingsDialogServices& services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(BlackListPage)

    QString caption() const override;
    void load() override;
    void apply() override;

    QStringList entries() const;
    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* editButton() const { return m_edit; }

    // The page became the current one: the buttons follow the selection.
    void updateButtons();

private:
    // Inserts an entry at its sorted place and selects it.
    void insertSorted(const QString& entry);
    std::optional<QString> ask(const QString& caption, const QString& label, const QString& text);
    void addEntry();
    void deleteEntry();
    void editEntry();

    const SettingsDialogServices& m_services;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
};

} // namespace vantrel
