#pragma once

#include "app/commandline.h"
#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "platform/localnames.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace vantrel {

class AppHost;
struct HandOverRecord;
class ContactList;
class ContactListLookup;
class IpWorker;
class MessagingEngine;
class NetTools;
class PingWorker;
class PlatformServices;
class Reachability;
class SenderNameCheck;
class Settings;
class Speaker;
class StatusBroadcaster;
class StatusReceiver;
class TransferEngine;
class VersionCheck;

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
    // The probes behind every availability check.
    NetTools& netTools() { return *m_netTools; }
    const Reachability& reachability() const { return *m_reachability; }
    // The whole-tree check, run at start and by the ping timer.
    PingWorker& pingWorker() { return *m_pingWorker; }
    // The own status and its broadcast; the status reports of peers.
    StatusBroadcaster& status() { return *m_status; }
    StatusReceiver& statusReports() { return *m_statusReceiver; }
    // The sender name in use and the check of the other sender name ("CheckEditFrom").
    SenderNameCheck& senderNameCheck() { return *m_senderNameCheck; }
    // File and picture transfer.
    TransferEngine& transfers() { return *m_transfers; }
    // Files handed over by another start of the program (`vantrel --send-files`): to the
    // contact `target`, or with "-" to the current recipients. One picture (".jpg", ".gif",
    // ".bmp", any case) is offered as a picture.
    void handOverFiles(const QString& target, const QStringList& files);
    // A record handed over by another start of the program: a Messenger-service popup text
    // (`vantrel --messenger-popup`), presented as a received message, or files to offer
    // (`vantrel --send-files`).
    void handleHandOver(const HandOverRecord& record);
    // `Timer_Ping`: interval and enabled state from the settings.
    const QTimer& pingTimer() const { return m_pingTimer; }
    // The IP refresh, run by `Timer_IP` every three hours while the personal list is in use.
    IpWorker& ipWorker() { return *m_ipWorker; }
    // The version check, started once at the end of start-up.
    VersionCheck& versionCheck() { return *m_versionCheck; }
    const QTimer& ipTimer() const { return m_ipTimer; }
    static constexpr int kIpRefreshIntervalMs = 10800000;
    // Whether any presence worker (whole-tree check, IP refresh, status broadcast) runs.
    bool isPresenceBusy() const;
    // Sets the own status (0, 1 or 2) as the status menu does, broadcast included.
    void SetStatus(int code);
    // While the settings dialog is showing, the list may be edited: a start of a presence
    // worker then does nothing (a pass already running goes on with its own copy of the list).
    void setSettingsDialogShowing(bool showing) { m_settingsDialogShowing = showing; }
    bool isSettingsDialogShowing() const { return m_settingsDialogShowing; }
    bool settingsExistedAtStart() const;
    bool isRunning() const { return m_started && !m_stopped; }

    // The autostart command: the quoted program path, a blank and "m".
    QString autorunCommand() const;
    static constexpr const char* kAutorunName = "VantrelMsg";

Q_SIGNALS:
    // The presence-busy state changed: buttons, "Выход" and list editing follow it.
    void presenceBusyChanged(bool busy);

private:
    void applyAutorunSwitches();
    void updatePresenceBusy();
    void loadContacts();
    void reportSettingsFailure(const QString& path, const QString& error);
    void startMessaging();
    void startPresence();
    void startTransfers();
    void applyPingTimerSettings();

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
    std::unique_ptr<TransferEngine> m_transfers;
    std::unique_ptr<StatusReceiver> m_statusReceiver;
    std::unique_ptr<NetTools> m_netTools;
    std::unique_ptr<Reachability> m_reachability;
    std::unique_ptr<PingWorker> m_pingWorker;
    std::unique_ptr<IpWorker> m_ipWorker;
    std::unique_ptr<StatusBroadcaster> m_status;
    std::unique_ptr<VersionCheck> m_versionCheck;
    std::unique_ptr<SenderNameCheck> m_senderNameCheck;
    QTimer m_pingTimer;
    QTimer m_ipTimer;
    bool m_presenceBusy = false;
    bool m_settingsDialogShowing = false;
    bool m_started = false;
    bool m_stopped = false;
};

} // namespace vantrel
