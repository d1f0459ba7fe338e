#include "settings/dialog/settingsdialog.h"

#include "contacts/contactlist.h"
#include "contacts/ui/dialogplacement.h"
#include "settings/dialog/blacklistpage.h"
#include "settings/dialog/eventspage.h"
#include "settings/dialog/favouritespage.h"
#include "settings/dialog/generalpage.h"
#include "settings/dialog/historypage.h"
#include "settings/dialog/interfacepage.h"
#include "settings/dialog/otherpage.h"
#include "settings/dialog/smileyspage.h"
#include "settings/settings.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

SettingsDialog::SettingsDialog(SettingsDialogServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services))
{
    setObjectName(u"fmConfig"_s);
    setWindowTitle(u"Параметры"_s);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(u"PageControl"_s);
    // Every page's tab in sight: the dialog is as wide as the tabs need.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    m_pages = {new GeneralPage(m_services, m_tabs),
               new InterfacePage(m_services.settings, m_tabs),
               new FavouritesPage(m_services, m_tabs),
               new HistoryPage(m_services, m_tabs),
               new BlackListPage(m_services, m_tabs),
               new EventsPage(m_services.settings, m_tabs),
               new OtherPage(m_services.settings, m_services.sound, m_tabs),
               new SmileysPage(m_services.settings, m_tabs)};
    for (SettingsPage* p : std::as_const(m_pages))
        m_tabs->addTab(p, p->caption());
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"Button_OK"_s);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Отмена"_s, this);
    m_cancel->setObjectName(u"Button_Cancel"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    // A fixed dialog border: the size follows the pages.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == int(Page::BlackList))
            blackListPage()->updateButtons();
    });
    m_tabs->setCurrentIndex(0);
    restorePlacement();
}

SettingsDialog::~SettingsDialog() = default;

FavouritesPage* SettingsDialog::favouritesPage() const
{
    return static_cast<FavouritesPage*>(page(Page::Favourites));
}

BlackListPage* SettingsDialog::blackListPage() const
{
    return static_cast<BlackListPage*>(page(Page::BlackList));
}

EventsPage* SettingsDialog::eventsPage() const
{
    return static_cast<EventsPage*>(page(Page::Events));
}

SettingsDialog::Page SettingsDialog::currentPage() const
{
    return Page(m_tabs->currentIndex());
}

void SettingsDialog::restorePlacement()
{
    // Only the position: the size is the pages' own.
    const WindowPlacement placement = m_services.settings.placement(Settings::ConfigSectionName);
    if (!placement.isValid())
        return;
    layout()->activate();
    QRect rect(QPoint(placement.left, placement.top), size());
    if (const QScreen* target = screen()) {
        const QRect area = target->availableGeometry();
        rect.moveLeft(qBound(area.left(), rect.left(), qMax(area.left(), area.right() + 1 - rect.width())));
        rect.moveTop(qBound(area.top(), rect.top(), qMax(area.top(), area.bottom() + 1 - rect.height())));
    }
    setGeometry(rect);
}

void SettingsDialog::prepare(std::optional<Page> which, int favouritesNode)
{
    for (SettingsPage* p : std::as_const(m_pages))
        p->load();
    const bool shared = m_services.contacts.isSharedListInUse();
    m_tabs->setTabVisible(int(Page::Favourites), !shared);
    if (which && !(*which == Page::Favourites && shared))
        m_tabs->setCurrentIndex(int(*which));
    if (currentPage() == Page::Favourites && favouritesNode >= 0)
        favouritesPage()->selectNode(favouritesNode);
    if (currentPage() == Page::BlackList)
        blackListPage()->updateButtons();
}

bool SettingsDialog::execOn(std::optional<Page> which, int favouritesNode)
{
    prepare(which, favouritesNode);
    return exec() == QDialog::Accepted;
}

void SettingsDialog::done(int result)
{
    Settings& settings = m_services.settings;
    bool hotKeysChanged = false;
    if (result == Accepted) {
        const int mainKey = settings.VTLForm.JvApplicationHotKey_Main_HotKey.value();
        const int awayKey = settings.fmConfig.JvApplicationHotKey_AA_HotKey.value();
        for (SettingsPage* p : std::as_const(m_pages))
            p->apply();
        hotKeysChanged = mainKey != settings.VTLForm.JvApplicationHotKey_Main_HotKey.value() ||
                         awayKey != settings.fmConfig.JvApplicationHotKey_AA_HotKey.value();
        settings.saveAll();
    } else {
        // Nothing was written to the model while the dialog was open; a deferred value some
        // other part left there goes back to what the file holds.
        settings.revertSection(Settings::ConfigSectionName);
        settings.revertSection(Settings::MainWindowSectionName);
    }
    SaveDialogPlacement(*this, settings, Settings::ConfigSectionName);
    QDialog::done(result);
    if (result == Accepted)
        Q_EMIT applied(hotKeysChanged);
}

} // namespace vantrel
