#include "settings/dialog/contacteditorbox.h"

#include "contacts/contactlistsnapshot.h"
#include "contacts/ui/ipaddressedit.h"
#include "presence/addresslookup.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace vantrel {

ContactEditorBox::ContactEditorBox(ContactDialogServices services, QWidget* parent)
    : QGroupBox(u" Редактирование пользователя "_s, parent)
    , m_services(std::move(services))
    , m_fields(this, m_services)
{
    setObjectName(u"GroupBox_Edit"_s);
    m_refIp = new QCheckBox(u"Получать автоматически"_s, this);
    m_refIp->setObjectName(u"dxCheckbox_RefIP"_s);
    m_apply = new QPushButton(u"Применить"_s, this);
    m_apply->setObjectName(u"BitBtn_Apply"_s);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(u"Имя в сети:"_s, this), 0, 0);
    grid->addWidget(m_fields.netName, 0, 1);
    grid->addWidget(m_fields.find, 0, 2);
    grid->addWidget(new QLabel(u"Ник:"_s, this), 1, 0);
    grid->addWidget(m_fields.nick, 1, 1, 1, 2);
    grid->addWidget(new QLabel(u"IP:"_s, this), 2, 0);
    grid->addWidget(m_fields.address, 2, 1);
    grid->addWidget(m_fields.resolve, 2, 2);
    grid->addWidget(m_refIp, 3, 1);
    grid->addWidget(m_apply, 4, 1, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    m_fields.netName->installEventFilter(this);
    m_fields.nick->installEventFilter(this);
    connect(m_refIp, &QCheckBox::toggled, this,
            [this](bool on) { m_fields.resolve->setEnabled(!m_group && on); });
    connect(m_fields.find, &QToolButton::clicked, this,
            [this] { m_fields.findComputer(m_services, window()); });
    connect(m_fields.worker, &AddressLookup::resolved, this,
            [this](const QString&, bool found, const QString& address) {
                if (found && !m_fields.address->hasFocusInside() && m_fields.address->isBlank() &&
                    m_refIp->isChecked())
                    m_fields.address->setText(address);
            });
    connect(m_apply, &QPushButton::clicked, this, &ContactEditorBox::applyRequested);
}

void ContactEditorBox::showEntry(const ContactListSnapshot& list, int index)
{
    if (index < 0 || index >= list.count())
        return;
    m_group = list.IsGroup(index);
    m_fields.nick->setText(list.displayText(index));
    m_fields.netName->setText(list.compName(index));
    m_fields.address->setText(list.ip(index));
    m_refIp->setChecked(list.refIp(index) == u"1"_s);
    for (QWidget* contactOnly :
         std::initializer_list<QWidget*>{m_fields.netName, m_fields.address, m_refIp, m_fields.find})
        contactOnly->setEnabled(!m_group);
    m_fields.resolve->setEnabled(!m_group && m_refIp->isChecked());
}

FavouritesEditor::Fields ContactEditorBox::fields() const
{
    return {m_fields.netName->text(), m_fields.nick->text(), m_fields.address->text(), m_refIp->isChecked()};
}

bool ContactEditorBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_fields.netName) {
            m_fields.netName->setText(m_fields.netName->text().trimmed());
            if (!m_group)
                m_fields.worker->start(m_fields.netName->text());
        } else if (watched == m_fields.nick) {
            m_fields.nick->setText(m_fields.nick->text().trimmed());
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace vantrel
