#pragma once

#include "app/apphost.h"
#include "app/commandline.h"
#include "core/apppaths.h"

#include <QObject>

#include <memory>

namespace vantrel {

class Engine;

// The program without windows: the engine runs as usual, notifications go to standard
// error and received messages are printed one per line to standard output.
class HeadlessMode final : public QObject, public AppHost {
    Q_OBJECT
public:
    HeadlessMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent = nullptr);
    ~HeadlessMode() override;
    Q_DISABLE_COPY_MOVE(HeadlessMode)

    void start();
    Engine& engine() { return *m_engine; }

    // A command from another start of the program ("restore", "exit").
    void handleInstanceCommand(const QByteArray& command);

    void ShowBalloonHint(const QString& title, const QString& text, int timeout, int level) override;
    void showErrorBox(const QString& title, const QString& text) override;

private:
    std::unique_ptr<Engine> m_engine;
};

} // namespace vantrel
