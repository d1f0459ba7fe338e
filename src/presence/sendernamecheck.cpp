#include "presence/sendernamecheck.h"

#include "messaging/messaginghost.h"
#include "presence/reachability.h"
#include "settings/settings.h"

using namespace Qt::StringLiterals;

namespace vantrel {

SenderNameCheck::SenderNameCheck(Settings& settings, const Reachability& reachability, MessagingHost& host,
                                 QString computerName, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_reachability(reachability)
    , m_host(host)
    , m_computerName(std::move(computerName))
    , m_senderName(m_computerName)
{
    // A name stored with the box ticked passed its check when it was set: it stays in use
    // while the check at start runs.
    const auto& config = m_settings.fmConfig;
    const QString stored = config.Edit_From_Text.value().trimmed();
    if (config.dxCheckbox_From_Checked.value() && !stored.isEmpty())
        m_senderName = stored;
}

QString SenderNameCheck::inUseText(const QString& name)
{
    return u"Вы не можете отправлять сообщения от имени, существующего в сети: "_s + name;
}

void SenderNameCheck::useComputerName(bool clearBox)
{
    ++m_generation;
    m_pending.clear();
    if (clearBox)
        m_settings.fmConfig.dxCheckbox_From_Checked.setValue(false);
    m_senderName = m_computerName;
    Q_EMIT checked(m_senderName);
}

void SenderNameCheck::CheckEditFrom()
{
    const auto& config = m_settings.fmConfig;
    if (!config.dxCheckbox_From_Checked.value()) {
        useComputerName(false);
        return;
    }
    const QString name = config.Edit_From_Text.value().trimmed();
    if (name.isEmpty()) {
        useComputerName(true);
        return;
    }
    const quint64 generation = ++m_generation;
    m_pending = name;
    m_reachability.check(name, this, [this, generation, name](bool inUse) {
        if (generation != m_generation)
            return;
        if (inUse) {
            useComputerName(true);
            m_host.showBalloon(u"Vantrel"_s, inUseText(name), MessagingHost::BalloonLevel::Error);
            return;
        }
        m_pending.clear();
        m_senderName = name;
        Q_EMIT checked(m_senderName);
    });
}

} // namespace vantrel
