#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vantrel {

class AnsweringMenu;
class AppHost;
class AwayMode;
class AwayTexts;
class Engine;
class HotKeyBindings;
class MainWindow;

// The shell around the windows: the away mode and its texts, the system-wide hot keys, the
// help page and the About box. The main hot key runs `restore` (the tray's restore action),
// the away hot key toggles the away status.
class ShellServices final : public QObject {
    Q_OBJECT
public:
    ShellServices(Engine& engine, MainWindow& mainWindow, AppHost& host, std::function<void()> restore,
                  QObject* parent = nullptr);
    ~ShellServices() override;
    Q_DISABLE_COPY_MOVE(ShellServices)

    // Starts the watchers and registers the hot keys.
    void start();
    // Writes the away text (at exit and when the session ends).
    void save();

    AwayTexts& awayTexts() { return *m_awayTexts; }
    AwayMode& awayMode() { return *m_awayMode; }
    HotKeyBindings& hotKeys() { return *m_hotKeys; }
    // PopupMenu_Answering, for the settings dialog's away-text button.
    AnsweringMenu* awayTextMenu() const { return m_awayTextMenu; }

    // F1 and "Справка": the help page in the user's browser.
    void showHelp();
    // "О программе...": the About box, modal.
    void showAbout();
    // The help page of a program data folder.
    static QString helpFile(const QString& programDataDir);

protected:
    // Key presses in any window of the program count as activity for the away mode.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Engine& m_engine;
    MainWindow& m_mainWindow;
    AppHost& m_host;
    std::function<void()> m_restore;
    std::unique_ptr<AwayTexts> m_awayTexts;
    std::unique_ptr<AwayMode> m_awayMode;
    std::unique_ptr<HotKeyBindings> m_hotKeys;
    AnsweringMenu* m_awayTextMenu = nullptr;
    bool m_aboutShowing = false;
};

} // namespace vantrel
