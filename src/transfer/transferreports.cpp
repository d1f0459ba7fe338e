#include "transfer/transferreports.h"

#include "core/datetimetext.h"
#include "messaging/historylog.h"
#include "messaging/messaginghost.h"
#include "settings/settings.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr quint32 kBlue = 0x0000FF;
constexpr quint32 kGreen = 0x008000;

} // namespace

TransferReports::TransferReports(Settings& settings, MessagingHost& host, HistoryLog& history)
    : m_settings(settings)
    , m_host(host)
    , m_history(history)
{}

QString TransferReports::sentText(const QString& sourcePath)
{
    return u"Передан файл \""_s + sourcePath + u'"';
}

QString TransferReports::receivedText(const QString& path)
{
    QString link = path;
    link.replace(u' ', u"%20"_s);
    return u"Принят файл \""_s + QFileInfo(path).fileName() + u"\" file:"_s + link;
}

void TransferReports::fileSent(const QString& contact, const QString& sourcePath)
{
    report(contact, u"↑"_s, sentText(sourcePath));
}

void TransferReports::fileReceived(const QString& contact, const QString& path)
{
    report(contact, u"↓"_s, receivedText(path));
}

void TransferReports::report(const QString& contact, const QString& arrow, const QString& text)
{
    m_host.showPopupForm(contact, true);
    m_host.addPopupLine(contact, arrow + u" ["_s + TimeText(QTime::currentTime()) + u"]:"_s, kBlue, true);
    m_host.addPopupLine(contact, text, kGreen, false);
    if (m_settings.fmConfig.dxCheckbox_History_Checked.value())
        m_history.addEntry(contact, arrow + u" ["_s + m_history.nowText() + u"]: "_s + text);
}

} // namespace vantrel
