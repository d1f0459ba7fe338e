#include "contacts/ui/adduserdialog.h"

#include "contacts/favouriteseditor.h"
#include "contacts/ui/dialogplacement.h"
#include "contacts/ui/ipaddressedit.h"
#include "contacts/ui/namecharfilter.h"
#include "presence/addresslookup.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

AddUserDialog::AddUserDialog(ContactDialogServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services))
    , m_worker(new AddressLookup(m_services.probes, this))
    , m_resolveNow(new AddressLookup(m_services.probes, this))
{
    setObjectName(u"fmAddUser"_s);
    setWindowTitle(u"Добавить нового пользователя"_s);
    const auto refused = [this] {
        m_services.balloon(FavouritesEditor::forbiddenCharsText(), ContactListHost::BalloonLevel::Error);
    };
    m_netName = new QLineEdit(this);
    m_netName->setObjectName(u"Edit_NetName"_s);
    m_netName->setMaxLength(MaxNameLength);
    NameCharFilter::install(m_netName, refused);
    m_nick = new QLineEdit(this);
    m_nick->setObjectName(u"Edit_Nick"_s);
    m_nick->setMaxLength(MaxNickLength);
    NameCharFilter::install(m_nick, refused);
    m_address = new IpAddressEdit(this);
    m_address->setObjectName(u"JvIpAddress"_s);
    m_find = new QToolButton(this);
    m_find->setObjectName(u"SpeedButton_FindComp"_s);
    m_find->setToolTip(u"Найти компьютер в сети"_s);
    m_find->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_resolve = new QToolButton(this);
    m_resolve->setObjectName(u"SpeedButton_IP"_s);
    m_resolve->setToolTip(u"Определить IP-адрес"_s);
    m_resolve->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Отмена"_s, this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_netName, 1);
    nameRow->addWidget(m_find);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(m_address, 1);
    addressRow->addWidget(m_resolve);
    auto* form = new QFormLayout;
    form->addRow(u"Имя в сети:"_s, nameRow);
    form->addRow(u"Ник:"_s, m_nick);
    form->addRow(u"IP:"_s, addressRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setTabOrder(m_netName, m_nick);

    m_netName->installEventFilter(this);
    m_nick->installEventFilter(this);
    connect(m_find, &QToolButton::clicked, this, &AddUserDialog::findComputer);
    connect(m_resolve, &QToolButton::clicked, this, [this] {
        if (!m_resolveNow->start(m_netName->text()))
            m_address->setText({});
    });
    connect(m_resolveNow, &AddressLookup::resolved, this,
            [this](const QString&, bool found, const QString& address) {
                m_address->setText(found ? address : QString());
            });
    connect(m_worker, &AddressLookup::resolved, this,
            [this](const QString&, bool found, const QString& address) {
                if (found && !m_address->hasFocusInside())
                    m_address->setText(address);
            });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    RestoreDialogPlacement(*this, m_services.settings, PlacementSection);
}

QString AddUserDialog::netName() const
{
    return m_netName->text().trimmed();
}

QString AddUserDialog::nick() const
{
    return m_nick->text().trimmed();
}

QString AddUserDialog::address() const
{
    return m_address->text();
}

bool AddUserDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_netName && event->type() == QEvent::FocusOut) ||
        (watched == m_nick && event->type() == QEvent::FocusIn))
        startWorker();
    return QDialog::eventFilter(watched, event);
}

void AddUserDialog::startWorker()
{
    m_netName->setText(m_netName->text().trimmed());
    m_worker->start(m_netName->text());
}

void AddUserDialog::findComputer()
{
    if (!m_services.browseComputer)
        return;
    const QString name = m_services.browseComputer(this);
    if (!name.isEmpty()) {
        m_netName->setText(name.left(MaxNameLength));
        m_nick->setFocus(Qt::OtherFocusReason);
    }
    raise();
    activateWindow();
}

void AddUserDialog::done(int result)
{
    if (result == Accepted) {
        m_netName->setText(netName());
        m_nick->setText(nick());
        if (m_netName->text().isEmpty()) {
            m_netName->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (m_nick->text().isEmpty())
            m_nick->setText(m_netName->text());
    }
    SaveDialogPlacement(*this, m_services.settings, PlacementSection);
    QDialog::done(result);
}

} // namespace vantrel
