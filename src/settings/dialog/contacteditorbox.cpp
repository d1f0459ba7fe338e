#include "settings/dialog/contacteditorbox.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/ipaddressedit.h"
#include "contacts/ui/namecharfilter.h"
#include "presence/addresslookup.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactEditorBox::ContactEditorBox(ContactDialogServices services, QWidget* parent)
    : QGroupBox(u" Редактирование пользователя "_s, parent)
    , m_services(std::move(services))
    , m_worker(new AddressLookup(m_services.probes, this))
    , m_resolveNow(new AddressLookup(m_services.probes, this))
{
    setObjectName(u"GroupBox_Edit"_s);
    const auto refused = [this] {
        m_services.balloon(FavouritesEditor::forbiddenCharsText(), ContactListHost::BalloonLevel::Error);
    };
    m_netName = new QLineEdit(this);
    m_netName->setObjectName(u"Edit_NetName"_s);
    m_netName->setMaxLength(MaxNameLength);
    NameCharFilter::install(m_netName, refused);
    m_find = new QToolButton(this);
    m_find->setObjectName(u"SpeedButton_FindComp"_s);
    m_find->setToolTip(u"Найти компьютер в сети"_s);
    m_find->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    m_nick = new QLineEdit(this);
    m_nick->setObjectName(u"Edit_Nick"_s);
    m_nick->setMaxLength(MaxNickLength);
    NameCharFilter::install(m_nick, refused);
    m_address = new IpAddressEdit(this);
    m_address->setObjectName(u"JvIpAddress"_s);
    m_resolve = new QToolButton(this);
    m_resolve->setObjectName(u"SpeedButton_IP"_s);
    m_resolve->setToolTip(u"Определить IP-адрес"_s);
    m_resolve->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_refIp = new QCheckBox(u"Получать автоматически"_s, this);
    m_refIp->setObjectName(u"dxCheckbox_RefIP"_s);
    m_apply = new QPushButton(u"Применить"_s, this);
    m_apply->setObjectName(u"BitBtn_Apply"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(u"Имя в сети:"_s, this), 0, 0);
    grid->addWidget(m_netName, 0, 1);
    grid->addWidget(m_find, 0, 2);
    grid->addWidget(new QLabel(u"Ник:"_s, this), 1, 0);
    grid->addWidget(m_nick, 1, 1, 1, 2);
    grid->addWidget(new QLabel(u"IP:"_s, this), 2, 0);
    grid->addWidget(m_address, 2, 1);
    grid->addWidget(m_resolve, 2, 2);
    grid->addWidget(m_refIp, 3, 1);
    grid->addWidget(m_apply, 4, 1, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    m_netName->installEventFilter(this);
    m_nick->installEventFilter(this);
    connect(m_refIp, &QCheckBox::toggled, this, [this](bool on) { m_resolve->setEnabled(!m_group && on); });
    connect(m_find, &QToolButton::clicked, this, &ContactEditorBox::findComputer);
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
                if (found && !m_address->hasFocusInside() && m_address->isBlank() && m_refIp->isChecked())
                    m_address->setText(address);
            });
    connect(m_apply, &QPushButton::clicked, this, &ContactEditorBox::applyRequested);
}

void ContactEditorBox::showEntry(const ContactListSnapshot& list, int index)
{
    if (index < 0 || index >= list.count())
        return;
    m_group = list.IsGroup(index);
    m_nick->setText(list.displayText(index));
    m_netName->setText(list.compName(index));
    m_address->setText(list.ip(index));
    m_refIp->setChecked(list.refIp(index) == u"1"_s);
    for (QWidget* contactOnly : std::initializer_list<QWidget*>{m_netName, m_address, m_refIp, m_find})
        contactOnly->setEnabled(!m_group);
    m_resolve->setEnabled(!m_group && m_refIp->isChecked());
}

FavouritesEditor::Fields ContactEditorBox::fields() const
{
    return {m_netName->text(), m_nick->text(), m_address->text(), m_refIp->isChecked()};
}

bool ContactEditorBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_netName) {
            m_netName->setText(m_netName->text().trimmed());
            if (!m_group)
                m_worker->start(m_netName->text());
        } else if (watched == m_nick) {
            m_nick->setText(m_nick->text().trimmed());
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void ContactEditorBox::findComputer()
{
    if (!m_services.browseComputer)
        return;
    const QString name = m_services.browseComputer(window());
    window()->raise();
    window()->activateWindow();
    if (name.isEmpty())
        return;
    m_netName->setText(name.left(MaxNameLength));
    m_nick->setFocus(Qt::OtherFocusReason);
}

} // namespace vantrel
