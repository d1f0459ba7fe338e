#include "presence/pingseries.h"

#include "core/utilities.h"
#include "presence/nettools.h"

#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {

PingSeries::PingSeries(NetworkProbes& probes, PingSeriesConfig config, QObject* parent)
    : QObject(parent)
    , m_probes(probes)
    , m_config(config)
{
    m_config.count = std::max(1, m_config.count);
}

QString PingSeries::separatorLine()
{
    return QString(55, u'-');
}

QString PingSeries::headerLine(const QString& computerName, const QString& address, int payloadBytes)
{
    const QString suffix = address.isEmpty() ? QString() : u" ["_s + address + u"]"_s;
    return u"Обмен пакетами с "_s + computerName.toUpper() + suffix + u" по "_s +
           QString::number(payloadBytes) + u" байт:"_s;
}

QString PingSeries::replyLine(int bytes, const QString& from, int ttl, int roundTripMs)
{
    const QString time = roundTripMs <= 0 ? u"<1"_s : u"="_s + QString::number(roundTripMs);
    return QString::number(bytes) + u" байт от "_s + from + u": TTL="_s + QString::number(ttl) + u" время"_s +
           time + u"мс"_s;
}

QString PingSeries::timeoutLine()
{
    return u"Превышен интервал ожидания для запроса."_s;
}

QString PingSeries::unknownHostLine(const QString& computerName)
{
    return computerName + u": неизвестный хост."_s;
}

bool PingSeries::start(const QString& computerName, LineSink lines, Finished finished)
{
    if (m_running)
        return false;
    m_running = true;
    m_lines = std::move(lines);
    m_finished = std::move(finished);
    m_computerName = computerName;
    m_target.clear();
    m_sent = 0;

    if (IsIPAddress(computerName)) {
        // A dotted name is its own address and gets no bracketed suffix; a dotted text that is
        // no address leaves nothing to ask.
        const QHostAddress address = NetTools::parseIPv4(computerName);
        if (!address.isNull())
            m_target = address.toString();
        QMetaObject::invokeMethod(
            this, [this] { onResolved(false, {}); }, Qt::QueuedConnection);
        return true;
    }
    m_probes.GetIPByName(computerName, this,
                         [this](bool found, const QString& address) { onResolved(found, address); });
    return true;
}

void PingSeries::onResolved(bool found, const QString& address)
{
    if (found)
        m_target = address;
    print(separatorLine());
    print(headerLine(m_computerName, found ? address : QString(), m_config.payloadBytes));
    print(QString());
    if (m_target.isEmpty()) {
        failWhole({});
        return;
    }
    sendNext();
}

void PingSeries::sendNext()
{
    ++m_sent;
    m_probes.echo(m_target, m_config.payloadBytes, m_config.timeoutMs, this,
                  [this](const IcmpEchoReply& reply) { onReply(reply); });
}

void PingSeries::onReply(const IcmpEchoReply& reply)
{
    using Status = IcmpEchoReply::Status;
    switch (reply.status) {
    case Status::Success:
        if (reply.bytes > 0)
            print(replyLine(reply.bytes, reply.from.toString(), reply.ttl, reply.roundTripMs));
        else
            print(timeoutLine(), LineColor::Red);
        break;
    case Status::Timeout:
    case Status::Unreachable:
        // Nothing came back.
        print(timeoutLine(), LineColor::Red);
        break;
    case Status::Unavailable:
    case Status::Failed:
        // The echo cannot be sent at all: the test fails as a whole.
        failWhole(reply.errorText);
        return;
    }
    if (m_sent >= m_config.count) {
        finish();
        return;
    }
    QTimer::singleShot(m_config.pauseMs, this, [this] { sendNext(); });
}

void PingSeries::failWhole(const QString& errorText)
{
    print(errorText.isEmpty() ? unknownHostLine(m_computerName) : errorText, LineColor::Red);
    finish();
}

void PingSeries::finish()
{
    print(separatorLine());
    m_running = false;
    // The sink may start the next series from its callback.
    const Finished finished = std::move(m_finished);
    m_finished = {};
    if (finished)
        finished();
}

void PingSeries::print(const QString& text, LineColor color)
{
    if (m_lines)
        m_lines({text, color});
}

} // namespace vantrel
