#include "contacts/ui/contactfields.h"

#include "contacts/favouriteseditor.h"
#include "contacts/ui/ipaddressedit.h"
#include "contacts/ui/namecharfilter.h"
#include "presence/addresslookup.h"

#include <QLineEdit>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactFields::ContactFields(QWidget* owner, const ContactDialogServices& services)
    : netName(new QLineEdit(owner))
    , nick(new QLineEdit(owner))
    , address(new IpAddressEdit(owner))
    , find(new QToolButton(owner))
    , resolve(new QToolButton(owner))
    , worker(new AddressLookup(services.probes, owner))
    , m_resolveNow(new AddressLookup(services.probes, owner))
{
    const auto refused = [balloon = services.balloon] {
        if (balloon)
            balloon(FavouritesEditor::forbiddenCharsText(), ContactListHost::BalloonLevel::Error);
    };
    netName->setObjectName(u"Edit_NetName"_s);
    netName->setMaxLength(MaxNameLength);
    NameCharFilter::install(netName, refused);
    nick->setObjectName(u"Edit_Nick"_s);
    nick->setMaxLength(MaxNickLength);
    NameCharFilter::install(nick, refused);
    address->setObjectName(u"JvIpAddress"_s);
    find->setObjectName(u"SpeedButton_FindComp"_s);
    find->setToolTip(u"Найти компьютер в сети"_s);
    find->setIcon(owner->style()->standardIcon(QStyle::SP_FileDialogContentsView));
    resolve->setObjectName(u"SpeedButton_IP"_s);
    resolve->setToolTip(u"Определить IP-адрес"_s);
    resolve->setIcon(owner->style()->standardIcon(QStyle::SP_BrowserReload));

    QObject::connect(resolve, &QToolButton::clicked, owner, [this] {
        if (!m_resolveNow->start(netName->text()))
            address->setText({});
    });
    QObject::connect(m_resolveNow, &AddressLookup::resolved, owner,
                     [this](const QString&, bool found, const QString& resolved) {
                         address->setText(found ? resolved : QString());
                     });
}

void ContactFields::findComputer(const ContactDialogServices& services, QWidget* window) const
{
    if (!services.browseComputer)
        return;
    const QString name = services.browseComputer(window);
    if (!name.isEmpty()) {
        netName->setText(name.left(MaxNameLength));
        nick->setFocus(Qt::OtherFocusReason);
    }
    window->raise();
    window->activateWindow();
}

} // namespace vantrel
