#pragma once

#include "contacts/favouriteseditor.h"
#include "settings/dialog/settingsdialogservices.h"
#include "settings/dialog/settingspage.h"

class QCheckBox;
class QPushButton;

namespace vantrel {

class ContactEditorBox;
class FavouritesTree;

// "Избранное", the contact editor: the tree of the personal list, the editor box of the
// selected entry, and the buttons that add a contact (TfmAddUser), add a group, delete, save
// the list to a file and load it from one. Entries are reordered by dragging them in the tree.
// Every change is saved at once through the contact list (not by OK); OK only writes the
// automatic adding after a send. While the list is empty the editor box is hidden and
// "Удалить пользователя" and "Сохранить список" are disabled.
class FavouritesPage final : public SettingsPage {
    Q_OBJECT
public:
    explicit FavouritesPage(const SettingsDialogServices& services, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(FavouritesPage)

    QString caption() const override;
    void load() override;
    void apply() override;

    // Selects a node of the tree and shows it in the editor (-1 keeps the selection).
    void selectNode(int index);

    FavouritesTree* tree() const { return m_tree; }
    ContactEditorBox* editorBox() const { return m_editor; }
    FavouritesEditor& editor() { return m_rules; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* loadButton() const { return m_load; }
    QPushButton* addGroupButton() const { return m_addGroup; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }

private:
    void showList();
    // TreeView_FavChange: the editor follows the selected entry.
    void showSelected();
    void updateButtons();
    void applyEntry();
    void addContact();
    void addGroup();
    void deleteEntry();
    void saveList();
    void loadList();

    const SettingsDialogServices& m_services;
    FavouritesEditor m_rules;
    FavouritesTree* m_tree = nullptr;
    ContactEditorBox* m_editor = nullptr;
    QCheckBox* m_autoAdd = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_load = nullptr;
    QPushButton* m_addGroup = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    bool m_applying = false;
};

} // namespace vantrel
