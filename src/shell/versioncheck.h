#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace vantrel {

class EventLog;
class Settings;
class VersionCheckHost;

// JvThread_VersionCheck: once per start, in the background, fetches UpdInfo.txt from the
// update server, and when the version it announces is neither the program's own nor the one
// last announced (NewVersion), asks whether to open the download page; whatever the answer,
// NewVersion then holds the announced version.
//
// The server is the base address of the settings key UpdateServer (section VTLForm); an
// empty one switches the check off. The file is "/download/VantrelMsg/UpdInfo.txt" below it,
// the download page "/download/Doc/VantrelMsg.htm". A download that fails in any way (no
// network, an error status, more than 15 s, more than MaxBytes, a redirect to anything but
// http or https) ends the check without a trace; what fails after it goes to the event log.
//
// Main thread; the download never blocks it.
class VersionCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VersionCheck)

public:
    static constexpr qint64 MaxBytes = 64 * 1024;
    static constexpr int TimeoutMs = 15000;
    static constexpr int MaxRedirects = 5;
    static constexpr const char* WorkerName = "JvThread_VersionCheck";

    // `infoFile` is where UpdInfo.txt is kept (replaced atomically); `ownVersion` the
    // program's version text.
    VersionCheck(Settings& settings, EventLog& eventLog, VersionCheckHost& host, QString infoFile,
                 QString ownVersion, QObject* parent = nullptr);
    ~VersionCheck() override;

    // Starts the one check of this start; later calls do nothing.
    void start();

    static QUrl infoUrl(const QString& server);
    static QUrl downloadPageUrl(const QString& server);
    static QString questionText(const QString& version, const QString& date);

Q_SIGNALS:
    // The check is over, whatever came of it (for tests and the shut-down).
    void finished();

private:
    void downloaded(QNetworkReply* reply);
    void compare(const QByteArray& bytes);
    void finish();

    Settings& m_settings;
    EventLog& m_eventLog;
    VersionCheckHost& m_host;
    QString m_infoFile;
    QString m_ownVersion;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_started = false;
};

} // namespace vantrel
