#pragma once

#include "app/apphost.h"
#include "app/commandline.h"
#include "core/apppaths.h"

#include <QObject>

#include <memory>

namespace vantrel {

class Engine;
class MainWindow;
class TrayIcon;

// The program with its windows: the engine, the main window and the tray icon.
class WindowedMode final : public QObject, public AppHost {
    Q_OBJECT
public:
    WindowedMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent = nullptr);
    ~WindowedMode() override;
    Q_DISABLE_COPY_MOVE(WindowedMode)

    void start();
    // Saves the main window's stored values and ends the program ("Выход").
    void exitProgram();
    // Session end or termination: saves and writes the closing log line at once.
    void shutDown();

    void handleInstanceCommand(const QByteArray& command);

    Engine& engine() { return *m_engine; }
    MainWindow& mainWindow() { return *m_mainWindow; }

    void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) override;
    void showErrorBox(const QString& title, const QString& text) override;

private:
    void saveMainWindow();

    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<MainWindow> m_mainWindow;
    TrayIcon* m_tray = nullptr;
    bool m_trayAvailable = false;
};

} // namespace vantrel
