#include "app/gui/settingscontroller.h"

#include "app/apphost.h"
#include "app/engine.h"
#include "app/gui/mainwindow.h"
#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "contacts/ui/computerbrowsedialog.h"
#include "core/eventlog.h"
#include "messaging/messagingengine.h"
#include "messaging/tcpcommandsender.h"
#include "platform/platformservices.h"
#include "presence/nettools.h"
#include "presence/sendernamecheck.h"
#include "settings/settings.h"

#include <QComboBox>

using namespace Qt::StringLiterals;

namespace vantrel {

SettingsController::SettingsController(Engine& engine, MainWindow& mainWindow, AppHost& host, Hooks hooks,
                                       QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_mainWindow(mainWindow)
    , m_host(host)
    , m_hooks(std::move(hooks))
{
    PlatformServices& platform = m_engine.platform();
    ContactDialogServices dialogs{m_engine.settings(), m_engine.netTools(),
                                  [this](const QString& text, ContactListHost::BalloonLevel level) {
                                      m_host.ShowBalloonHint(u"Vantrel"_s, text, 10, static_cast<int>(level));
                                  },
                                  [this](QWidget* owner) { return browseForComputer(owner); }};
    SettingsDialogServices services{
        m_engine.settings(),
        m_engine.contacts(),
        m_host,
        std::move(dialogs),
        *platform.autostart,
        QString::fromLatin1(Engine::kAutorunName),
        m_engine.autorunCommand(),
        m_engine.paths().eventLogFile,
        *platform.soundPlayer,
        [this](const QString& title, const QString& text) { m_host.showErrorBox(title, text); }};
    m_dialog = new SettingsDialog(std::move(services), &m_mainWindow);
    connect(m_dialog, &SettingsDialog::applied, this, &SettingsController::onApplied);
}

SettingsController::~SettingsController()
{
    delete m_dialog;
}

bool SettingsController::showSettings(std::optional<SettingsDialog::Page> page, int favouritesNode)
{
    if (m_dialog->isVisible())
        return false;
    m_engine.setSettingsDialogShowing(true);
    const bool ok = m_dialog->execOn(page, favouritesNode);
    m_engine.setSettingsDialogShowing(false);
    return ok;
}

QString SettingsController::browseForComputer(QWidget* parent)
{
    NetworkScan::Config scan;
    scan.outgoing = m_engine.messaging().commands().config();
    // The machine's own networks, unless the environment names others (peers behind a router).
    QList<quint32> targets = NetworkScan::localTargets();
    const QString networks = qEnvironmentVariable("VANTREL_BROWSE_NETWORKS");
    if (!networks.trimmed().isEmpty()) {
        if (const auto named = NetworkScan::parseNetworks(networks))
            targets = *named;
        else
            m_engine.eventLog().warning(u"VANTREL_BROWSE_NETWORKS: "_s + networks);
    }
    return BrowseForComputer({m_engine.netTools(), scan, m_engine.platform().hostDiscovery.get(), targets},
                             parent);
}

void SettingsController::onApplied(bool hotKeysChanged)
{
    Settings& settings = m_engine.settings();
    m_mainWindow.recipientBox()->setMaxVisibleItems(settings.VTLForm.ComboBox_Comp_DropDownCount.value());
    if (m_hooks.saveMainWindow)
        m_hooks.saveMainWindow();
    m_engine.senderNameCheck().CheckEditFrom();
    ContactList& contacts = m_engine.contacts();
    contacts.CheckGeneralList();
    if (m_hooks.rebuildSmileys)
        m_hooks.rebuildSmileys();
    const ContactTreeController* tree = m_mainWindow.contactController();
    contacts.MySetStatus(tree ? tree->choice().itemIndex() : 0);
    if (hotKeysChanged)
        Q_EMIT this->hotKeysChanged();
    Q_EMIT applied();
}

} // namespace vantrel
