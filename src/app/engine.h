#pragma once

#include "app/commandline.h"
#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "platform/localnames.h"

#include <QObject>

#include <memory>

namespace vantrel {

class AppHost;
class ContactList;
class ContactListLookup;
class MessagingEngine;
class PlatformServices;
class Settings;
class Speaker;

// The program without its windows: folders, event log, settings and the network engine,
// brought up in a fixed order and shut down with the closing log line. The windowed and the
// headless mode both own one.
class Engine final : public QObject {
    Q_OBJECT
public:
    Engine(const CommandLine& commandLine, AppPaths paths, AppHost& host, QObject* parent = nullptr);
    ~Engine() override;
    Q_DISABLE_COPY_MOVE(Engine)

    // Start-up: command-line switches, folders, start line, settings, listener, defaults.
    void start();
    // Shut-down: the away text is written, then the end line. Safe to call more than once.
    void stop();

    const AppPaths& paths() const { return m_paths; }
    const LocalNames& names() const { return m_names; }
    const CommandLine& commandLine() const { return m_commandLine; }
    EventLog& eventLog() { return m_eventLog; }
    LogWriter& logWriter() { return m_logWriter; }
    Settings& settings() { return *m_settings; }
    PlatformServices& platform() { return *m_platform; }
    // These exist once start() has run.
    MessagingEngine& messaging() { return *m_messaging; }
    ContactList& contacts() { return *m_contactList; }
    bool settingsExistedAtStart() const;
    bool isRunning() const { return m_started && !m_stopped; }

    // The autostart command: the quoted program path, a blank and "m".
    QString autorunCommand() const;
    static constexpr const char* kAutorunName = "VantrelMsg";

private:
    void applyAutorunSwitches();
    void loadContacts();
    void startMessaging();

    CommandLine m_commandLine;
    AppPaths m_paths;
    AppHost& m_host;
    LocalNames m_names;
    LogWriter m_logWriter;
    EventLog m_eventLog;
    std::unique_ptr<PlatformServices> m_platform;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ContactList> m_contactList;
    std::unique_ptr<ContactListLookup> m_contacts;
    std::unique_ptr<Speaker> m_reportingSpeaker;
    std::unique_ptr<MessagingEngine> m_messaging;
    bool m_started = false;
    bool m_stopped = false;
};

} // namespace vantrel
