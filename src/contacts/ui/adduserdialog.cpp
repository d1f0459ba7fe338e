#include "contacts/ui/adduserdialog.h"

#include "contacts/ui/dialogplacement.h"
#include "contacts/ui/ipaddressedit.h"
#include "presence/addresslookup.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

AddUserDialog::AddUserDialog(ContactDialogServices services, QWidget* parent)
    : QDialog(parent)
    , m_services(std::move(services))
    , m_fields(this, m_services)
{
    setObjectName(u"fmAddUser"_s);
    setWindowTitle(u"Добавить нового пользователя"_s);
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(u"Отмена"_s, this);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_fields.netName, 1);
    nameRow->addWidget(m_fields.find);
    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(m_fields.address, 1);
    addressRow->addWidget(m_fields.resolve);
    auto* form = new QFormLayout;
    form->addRow(u"Имя в сети:"_s, nameRow);
    form->addRow(u"Ник:"_s, m_fields.nick);
    form->addRow(u"IP:"_s, addressRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    setTabOrder(m_fields.netName, m_fields.nick);

    m_fields.netName->installEventFilter(this);
    m_fields.nick->installEventFilter(this);
    connect(m_fields.find, &QToolButton::clicked, this, [this] { m_fields.findComputer(m_services, this); });
    connect(m_fields.worker, &AddressLookup::resolved, this,
            [this](const QString&, bool found, const QString& address) {
                if (found && !m_fields.address->hasFocusInside())
                    m_fields.address->setText(address);
            });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    RestoreDialogPlacement(*this, m_services.settings, PlacementSection);
}

QString AddUserDialog::netName() const
{
    return m_fields.netName->text().trimmed();
}

QString AddUserDialog::nick() const
{
    return m_fields.nick->text().trimmed();
}

QString AddUserDialog::address() const
{
    return m_fields.address->text();
}

bool AddUserDialog::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_fields.netName && event->type() == QEvent::FocusOut) ||
        (watched == m_fields.nick && event->type() == QEvent::FocusIn))
        startWorker();
    return QDialog::eventFilter(watched, event);
}

void AddUserDialog::startWorker()
{
    m_fields.netName->setText(m_fields.netName->text().trimmed());
    m_fields.worker->start(m_fields.netName->text());
}

void AddUserDialog::done(int result)
{
    if (result == Accepted) {
        m_fields.netName->setText(netName());
        m_fields.nick->setText(nick());
        if (m_fields.netName->text().isEmpty()) {
            m_fields.netName->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (m_fields.nick->text().isEmpty())
            m_fields.nick->setText(m_fields.netName->text());
    }
    SaveDialogPlacement(*this, m_services.settings, PlacementSection);
    QDialog::done(result);
}

} // namespace vantrel
