#pragma once

#include "app/apphost.h"
#include "app/commandline.h"
#include "core/apppaths.h"

#include <QObject>

#include <memory>

namespace vantrel {

class Engine;

// The program without windows: the engine runs as usual, notifications and status changes go
// to standard error and received messages are printed one per line to standard output.
class HeadlessMode final : public QObject, public AppHost {
    Q_OBJECT
public:
    HeadlessMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent = nullptr);
    ~HeadlessMode() override;
    Q_DISABLE_COPY_MOVE(HeadlessMode)

    void start();
    Engine& engine() { return *m_engine; }

    // A command from another start of the program ("restore", "exit", "status N", "handover ...").
    void handleInstanceCommand(const QByteArray& command);

    void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) override;
    void showErrorBox(const QString& title, const QString& text) override;

    // Presentation of the messaging engine: each presented message becomes one line on
    // standard output, "contact [time]: text", with line breaks and backslashes escaped.
    void showPopupForm(const QString&, bool) override {}
    void addPopupLine(const QString&, const QString&, quint32, bool) override {}
    void showPopupError(const QString& contact, const QString& text) override;
    void setCaption(const QString&) override {}
    void hideMainWindow() override {}
    void messagePresented(const QString& contact, const QString& time, const QString& text) override;

    // Questions need a person: without windows the answer is always No.
    bool askYesNo(const QString&, const QString&) override { return false; }
    // A newer version is announced on standard error; nobody can be asked, so the answer is No.
    void askUpdate(const QString& caption, const QString& text, std::function<void(bool)> answered) override;
    void openUrl(const QUrl&) override {}

    // Offers: the automatic rules decide before anything is asked; an offer that needs a
    // question is refused. Finished files are reported on standard error.
    void askOffer(const Question& question, AnswerCallback answer) override;
    void transferStarted(const std::shared_ptr<Transfer>& transfer) override;
    void pictureReceived(const QString& contact, const QString& path) override;

    // The one-line form of a message text.
    static QString escapeText(const QString& text);

private:
    std::unique_ptr<Engine> m_engine;
};

} // namespace vantrel
