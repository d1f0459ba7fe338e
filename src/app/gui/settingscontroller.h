#pragma once

#include "settings/dialog/settingsdialog.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class QWidget;

namespace vantrel {

class AppHost;
class Engine;
class MainWindow;

// The settings dialog of the windowed program: made once at start and kept until exit, shown
// from "Параметры..." and from the tree's "Редактировать" (on the favourites page, with that
// node selected), and what its OK sets in motion: the recipient field's drop-down length, the
// main window's stored values, the check of the other sender name, the choice of the contact
// list file and its rebuild, and the smiley set. The availability timer follows the settings
// by itself; hotKeysChanged() tells whoever registers the system-wide keys.
//
// While the dialog shows, the presence workers hold off (the list may be edited); everything
// else of the engine goes on.
class SettingsController final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Stores the main window's values and placement.
        std::function<void()> saveMainWindow;
        // Rebuilds the smiley table from the settings.
        std::function<void()> rebuildSmileys;
    };

    SettingsController(Engine& engine, MainWindow& mainWindow, AppHost& host, Hooks hooks,
                       QObject* parent = nullptr);
    ~SettingsController() override;
    Q_DISABLE_COPY_MOVE(SettingsController)

    SettingsDialog& dialog() const { return *m_dialog; }
    // Shows the dialog modally; false when it did not close with OK (or was already showing).
    bool showSettings(std::optional<SettingsDialog::Page> page = std::nullopt, int favouritesNode = -1);
    // The browse-for-computer dialog over this machine's networks: the picked name, or empty.
    QString browseForComputer(QWidget* parent);

Q_SIGNALS:
    // OK changed a system-wide hot key: register the keys anew.
    void hotKeysChanged();
    // OK has been carried out.
    void applied();

private:
    void onApplied(bool hotKeysChanged);

    Engine& m_engine;
    MainWindow& m_mainWindow;
    AppHost& m_host;
    Hooks m_hooks;
    // A child of the main window, deleted by this object (or with the window, should it go first).
    QPointer<SettingsDialog> m_dialog;
};

} // namespace vantrel
