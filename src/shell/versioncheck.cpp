#include "shell/versioncheck.h"

#include "core/atomicfile.h"
#include "core/eventlog.h"
#include "settings/settings.h"
#include "shell/updateinfo.h"
#include "shell/versioncheckhost.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

bool isWebScheme(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http"_s || scheme == u"https"_s;
}

QUrl below(const QString& server, const QString& path)
{
    QString base = server.trimmed();
    while (base.endsWith(u'/'))
        base.chop(1);
    return QUrl(base + path, QUrl::StrictMode);
}

} // namespace

VersionCheck::VersionCheck(Settings& settings, EventLog& eventLog, VersionCheckHost& host, QString infoFile,
                           QString ownVersion, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_eventLog(eventLog)
    , m_host(host)
    , m_infoFile(std::move(infoFile))
    , m_ownVersion(std::move(ownVersion))
{}

VersionCheck::~VersionCheck()
{
    if (m_reply)
        m_reply->abort();
}

QUrl VersionCheck::infoUrl(const QString& server)
{
    return below(server, u"/download/VantrelMsg/UpdInfo.txt"_s);
}

QUrl VersionCheck::downloadPageUrl(const QString& server)
{
    return below(server, u"/download/Doc/VantrelMsg.htm"_s);
}

QString VersionCheck::questionText(const QString& version, const QString& date)
{
    return u"Доступна новая версия Vantrel "_s + version + u" от "_s + date + u"."_s + u"\r\n"_s +
           u"Хотите перейти на страницу загрузки сейчас?"_s;
}

void VersionCheck::start()
{
    if (m_started)
        return;
    m_started = true;
    const QString server = m_settings.VTLForm.UpdateServer.value();
    const QUrl url = infoUrl(server);
    if (server.trimmed().isEmpty() || !url.isValid() || !isWebScheme(url) || url.host().isEmpty()) {
        QTimer::singleShot(0, this, &VersionCheck::finish);
        return;
    }
    m_network = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(TimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    // The reply holds at most one byte more than the limit: a larger file is never buffered.
    reply->setReadBufferSize(MaxBytes + 1);
    connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
        if (isWebScheme(target))
            Q_EMIT reply->redirectAllowed();
        else
            reply->abort();
    });
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] {
        bool known = false;
        const qint64 length = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && length > MaxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        if (reply->bytesAvailable() > MaxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { downloaded(reply); });
}

void VersionCheck::downloaded(QNetworkReply* reply)
{
    reply->deleteLater();
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray bytes =
        reply->error() == QNetworkReply::NoError ? reply->read(MaxBytes + 1) : QByteArray();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299 || bytes.size() > MaxBytes ||
        reply->bytesAvailable() > 0) {
        finish();
        return;
    }
    QString error;
    if (!WriteFileAtomically(m_infoFile, bytes, &error)) {
        m_eventLog.threadError(QString::fromLatin1(WorkerName), error);
        finish();
        return;
    }
    QFile file(m_infoFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_eventLog.threadError(QString::fromLatin1(WorkerName), file.errorString());
        finish();
        return;
    }
    compare(file.read(MaxBytes + 1));
}

void VersionCheck::compare(const QByteArray& bytes)
{
    const UpdateInfo info = UpdateInfo::parse(bytes);
    if (info.version == m_ownVersion || info.version == m_settings.VTLForm.NewVersion.value()) {
        finish();
        return;
    }
    const QUrl page = downloadPageUrl(m_settings.VTLForm.UpdateServer.value());
    const QString version = info.version;
    const QPointer<VersionCheck> self(this);
    m_host.askUpdate(u"Обновление Vantrel"_s, questionText(info.version, info.updateDate),
                     [self, page, version](bool yes) {
                         if (!self)
                             return;
                         if (yes)
                             self->m_host.openUrl(page);
                         self->m_settings.VTLForm.NewVersion.setValue(version);
                         self->finish();
                     });
}

void VersionCheck::finish()
{
    Q_EMIT finished();
}

} // namespace vantrel
