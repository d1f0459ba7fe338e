#include "shell/hotkeybindings.h"

#include "platform/globalhotkeys.h"
#include "settings/hotkeycode.h"
#include "settings/settings.h"

using namespace Qt::StringLiterals;

namespace vantrel {

HotKeyBindings::HotKeyBindings(GlobalHotKeys& keys, Settings& settings, ReportFailure reportFailure,
                               QObject* parent)
    : QObject(parent)
    , m_keys(keys)
    , m_settings(settings)
    , m_reportFailure(std::move(reportFailure))
{}

HotKeyBindings::~HotKeyBindings()
{
    if (m_mainRegistered)
        m_keys.clearHotKey(Main);
    if (m_awayRegistered)
        m_keys.clearHotKey(Away);
}

QString HotKeyBindings::failureText(int code)
{
    return u"Can not Register HotKey: "_s + HotKeyCode::text(code);
}

void HotKeyBindings::start()
{
    connect(&m_keys, &GlobalHotKeys::activated, this, [this](int id) {
        if (id == Main)
            Q_EMIT mainActivated();
        else if (id == Away)
            Q_EMIT awayActivated();
    });
    connect(&m_keys, &GlobalHotKeys::failed, this, [this](int id) {
        if (id != Main && id != Away)
            return;
        (id == Main ? m_mainRegistered : m_awayRegistered) = false;
        if (m_reportFailure)
            m_reportFailure(failureText(codeOf(Id(id))));
    });
    connect(&m_settings, &Settings::changed, this, [this](const QString&, const QString& key) {
        if (key == m_settings.VTLForm.JvApplicationHotKey_Main_HotKey.key())
            apply(Main);
        else if (key == m_settings.fmConfig.JvApplicationHotKey_AA_HotKey.key())
            apply(Away);
    });
    apply(Main);
    apply(Away);
}

int HotKeyBindings::codeOf(Id id) const
{
    return id == Main ? m_settings.VTLForm.JvApplicationHotKey_Main_HotKey.value()
                      : m_settings.fmConfig.JvApplicationHotKey_AA_HotKey.value();
}

void HotKeyBindings::apply(Id id)
{
    bool& registered = id == Main ? m_mainRegistered : m_awayRegistered;
    if (registered)
        m_keys.clearHotKey(id);
    registered = false;
    const int code = codeOf(id);
    if (code == 0)
        return;
    const QKeyCombination key = HotKeyCode::toKeyCombination(code);
    registered = key.key() != Qt::Key_unknown && m_keys.setHotKey(id, key);
    if (!registered && m_reportFailure)
        m_reportFailure(failureText(code));
}

} // namespace vantrel
