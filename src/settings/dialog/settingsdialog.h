#pragma once

#include "settings/dialog/settingsdialogservices.h"

#include <QDialog>
#include <QList>

#include <optional>

class QPushButton;
class QTabWidget;

namespace vantrel {

class BlackListPage;
class EventsPage;
class FavouritesPage;
class SettingsPage;

// TfmConfig, "Параметры": the settings dialog, created once at start and shown modally any
// number of times. Each opening shows the settings model's values on every page and the page
// last shown (or the one asked for); the favourites page is hidden while the shared contact
// list is in use. OK has every page write its values to the model, saves the file once and
// reports applied(); any other close drops the edits and leaves the file as it was. The dialog
// is modal to the windows only: the engine goes on serving peers while it is open.
class SettingsDialog final : public QDialog {
    Q_OBJECT
public:
    enum class Page { General, Interface, Favourites, History, BlackList, Events, Other, Smiles };

    explicit SettingsDialog(SettingsDialogServices services, QWidget* parent = nullptr);
    ~SettingsDialog() override;
    Q_DISABLE_COPY_MOVE(SettingsDialog)

    // FormShow: every page takes the model's values; `page` (else the last one shown) becomes
    // current and, for the favourites page, `favouritesNode` (when not -1) is selected.
    void prepare(std::optional<Page> page = std::nullopt, int favouritesNode = -1);
    // prepare() and the modal loop; true when closed with OK.
    bool execOn(std::optional<Page> page = std::nullopt, int favouritesNode = -1);

    Page currentPage() const;
    SettingsPage* page(Page page) const { return m_pages.at(int(page)); }
    FavouritesPage* favouritesPage() const;
    BlackListPage* blackListPage() const;
    EventsPage* eventsPage() const;
    QTabWidget* tabs() const { return m_tabs; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    void done(int result) override;

Q_SIGNALS:
    // OK has written and saved the values; `hotKeysChanged` when either hot key differs from
    // before, so that the keys can be registered anew.
    void applied(bool hotKeysChanged);

private:
    void restorePlacement();

    SettingsDialogServices m_services;
    QTabWidget* m_tabs = nullptr;
    QList<SettingsPage*> m_pages;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vantrel
