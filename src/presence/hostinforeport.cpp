#include "presence/hostinforeport.h"

#include "core/utilities.h"

using namespace Qt::StringLiterals;

namespace vantrel {

HostInfoReport::HostInfoReport(NetworkProbes& probes, QObject* parent)
    : QObject(parent)
    , m_probes(probes)
{}

QString HostInfoReport::separatorLine()
{
    return QString(45, u'-');
}

QString HostInfoReport::nameLine(const QString& name)
{
    return u"            Имя: "_s + name;
}

QString HostInfoReport::computerLine(const QString& computerName)
{
    return u"Компьютер: "_s + computerName;
}

QString HostInfoReport::addressLine(const QString& address)
{
    return u"     IP-адрес: "_s + address;
}

QString HostInfoReport::notFoundLine(const QString& computerName)
{
    return u"     IP-адрес: компьютер "_s + computerName + u" в сети не найден."_s;
}

bool HostInfoReport::start(const QString& name, const QString& computerName, LineSink lines,
                           Finished finished)
{
    if (m_running)
        return false;
    m_running = true;
    m_lines = std::move(lines);
    m_finished = std::move(finished);
    m_name = name;

    if (IsIPAddress(name)) {
        m_probes.GetNameByIP(name, this,
                             [this](const QString& resolved) { print(resolved, addressLine(m_name)); });
        return true;
    }
    m_probes.GetIPByName(computerName, this, [this, computerName](bool found, const QString& address) {
        print(computerName, found ? addressLine(address) : notFoundLine(computerName));
    });
    return true;
}

void HostInfoReport::print(const QString& computerName, const QString& addressText)
{
    const QString block[] = {separatorLine(), nameLine(m_name), computerLine(computerName), addressText,
                             separatorLine()};
    for (const QString& text : block) {
        if (m_lines)
            m_lines({text, LineColor::Navy});
    }
    m_running = false;
    const Finished finished = std::move(m_finished);
    m_finished = {};
    if (finished)
        finished();
}

} // namespace vantrel
