#pragma once

#include "app/apphost.h"
#include "app/commandline.h"
#include "contacts/ui/contacttreecommands.h"
#include "core/apppaths.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>

namespace vantrel {

class ConversationServices;
class ConversationWindow;
class Engine;
class MainWindow;
class RecipientChoice;
class ShellServices;
class SettingsController;
class TrayIcon;
class TransferWindows;

// The program with its windows: the engine, the main window and the tray icon.
class WindowedMode final : public QObject, public AppHost, public ContactTreeCommands {
    Q_OBJECT
public:
    WindowedMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent = nullptr);
    ~WindowedMode() override;
    Q_DISABLE_COPY_MOVE(WindowedMode)

    void start();
    // Saves the main window's stored values and ends the program ("Выход").
    void exitProgram();
    // The desktop session is about to end: everything worth keeping is saved now, since the
    // program may be killed without further notice. The program keeps running, because the
    // user may still cancel the log-off; it is torn down only when it really quits.
    void commitSession();
    // Quitting: saves, takes the windows down and writes the closing log line. Runs once the
    // event loop has returned (aboutToQuit, destruction), never from inside a dialog's loop.
    void shutDown();

    void handleInstanceCommand(const QByteArray& command);

    Engine& engine() { return *m_engine; }
    MainWindow& mainWindow() { return *m_mainWindow; }

    void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) override;
    void showErrorBox(const QString& title, const QString& text) override;

    // Presentation of the messaging engine.
    void showPopupForm(const QString& contact, bool flash) override;
    void addPopupLine(const QString& contact, const QString& text, quint32 rgb, bool bold) override;
    void showPopupError(const QString& contact, const QString& text) override;
    void setCaption(const QString& text) override;
    void hideMainWindow() override;
    void messagePresented(const QString&, const QString&, const QString&) override {}
    bool askYesNo(const QString& title, const QString& question) override;
    // The version check's question, a message box that does not wait.
    void askUpdate(const QString& caption, const QString& text, std::function<void(bool)> answered) override;
    void openUrl(const QUrl& url) override;

    // Transfers: their questions, progress windows and picture viewers.
    void askOffer(const Question& question, AnswerCallback answer) override;
    void transferStarted(const std::shared_ptr<Transfer>& transfer) override;
    void pictureReceived(const QString& contact, const QString& path) override;
    // Exists while the engine runs.
    TransferWindows* transferWindows() const { return m_transferWindows.get(); }

    // The partner's conversation window, created on first need (names compared ignoring case).
    ConversationWindow& conversation(const QString& contact);
    // The conversation windows and what they use; exists while the engine runs.
    ConversationServices* conversations() const { return m_conversations.get(); }
    // The settings dialog and what its OK does; exists while the engine runs.
    SettingsController* settingsController() const { return m_settings.get(); }
    // The recipient choice of the main window; exists while the engine runs.
    RecipientChoice* recipientChoice() const { return m_choice.get(); }
    // Away mode, hot keys, help and About box; exists while the engine runs.
    ShellServices* shell() const { return m_shell.get(); }
    TrayIcon* trayIcon() const { return m_tray; }
    // The tray's restore action (also the main hot key's): the newest waiting conversation
    // first; else the main window is hidden when the last restore brought it up and it still
    // has the focus, or else shown in front.
    void restore();

    // The tree's commands: the beep and "Редактировать" are here; the others come with their
    // own parts.
    bool isAvailable(Command command) const override;
    void run(Command command, int index, const QString& text) override;
    bool isPresenceBusy() const override;
    // The targets of the conversations that wait for the tray's restore, oldest first.
    QStringList pendingConversations() const;

private:
    void saveMainWindow();
    void attachContacts();

    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<RecipientChoice> m_choice;
    TrayIcon* m_tray = nullptr;
    bool m_trayAvailable = false;
    std::unique_ptr<ConversationServices> m_conversations;
    std::unique_ptr<ShellServices> m_shell;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<TransferWindows> m_transferWindows;
};

} // namespace vantrel
