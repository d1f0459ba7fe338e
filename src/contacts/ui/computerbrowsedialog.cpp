#include "contacts/ui/computerbrowsedialog.h"

#include "platform/hostdiscovery.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostAddress>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

enum Column { NameColumn = 0, AddressColumn = 1, SourceColumn = 2 };
constexpr int AddressRole = Qt::UserRole;

const QString PortSource = u"порт 2012"_s;
const QString AnnouncedSource = u"mDNS"_s;

quint32 addressValue(const QString& address)
{
    return QHostAddress(address).toIPv4Address();
}

} // namespace

ComputerBrowseDialog::ComputerBrowseDialog(Search search, QWidget* parent)
    : QDialog(parent)
    , m_search(std::move(search))
{
    setObjectName(u"ComputerNameDialog"_s);
    setWindowTitle(u"Выберите имя компьютера"_s);
    m_scan = new NetworkScan(m_search.probes, m_search.scan, this);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"TreeView_Computers"_s);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({u"Компьютер"_s, u"IP-адрес"_s, u"Найден"_s});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"ProgressBar_Search"_s);
    m_progress->setTextVisible(false);
    m_status = new QLabel(this);
    m_status->setObjectName(u"Label_Status"_s);
    m_refresh = new QPushButton(u"Обновить"_s, this);
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    m_cancel = new QPushButton(u"Отмена"_s, this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_refresh);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    resize(420, 360);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_refresh, &QPushButton::clicked, this, &ComputerBrowseDialog::startSearch);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_ok->setEnabled(!m_list->selectedItems().isEmpty()); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        m_list->setCurrentItem(item);
        accept();
    });

    connect(m_scan, &NetworkScan::found, this, [this](const QString& address) {
        addSource(rowFor(address), PortSource);
        updateStatus();
    });
    connect(m_scan, &NetworkScan::named, this, [this](const QString& address, const QString& name) {
        QTreeWidgetItem* row = rowFor(address);
        if (row->text(NameColumn).isEmpty())
            row->setText(NameColumn, name.section(u'.', 0, 0));
    });
    connect(m_scan, &NetworkScan::progress, this, [this](int completed, int total) {
        m_progress->setMaximum(qMax(total, 1));
        m_progress->setValue(total == 0 ? 1 : completed);
    });
    connect(m_scan, &NetworkScan::finished, this, &ComputerBrowseDialog::updateStatus);
    if (m_search.discovery) {
        connect(m_search.discovery, &HostDiscovery::hostFound, this,
                [this](const QString& host, const QString& address) {
                    QTreeWidgetItem* row = rowFor(address);
                    if (row->text(NameColumn).isEmpty())
                        row->setText(NameColumn, host);
                    addSource(row, AnnouncedSource);
                    updateStatus();
                });
    }
}

ComputerBrowseDialog::~ComputerBrowseDialog()
{
    stopSearch();
}

void ComputerBrowseDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_started)
        startSearch();
}

void ComputerBrowseDialog::startSearch()
{
    m_started = true;
    stopSearch();
    m_list->clear();
    m_rows.clear();
    m_ok->setEnabled(false);
    if (m_search.discovery)
        m_search.discovery->start();
    m_scan->start(m_search.targets);
    updateStatus();
}

void ComputerBrowseDialog::stopSearch()
{
    m_scan->cancel();
    if (m_search.discovery)
        m_search.discovery->stop();
}

QTreeWidgetItem* ComputerBrowseDialog::rowFor(const QString& address)
{
    if (QTreeWidgetItem* row = m_rows.value(address))
        return row;
    auto* row = new QTreeWidgetItem;
    row->setText(AddressColumn, address);
    row->setData(AddressColumn, AddressRole, address);
    // Rows stay in address order.
    const quint32 value = addressValue(address);
    int at = 0;
    while (at < m_list->topLevelItemCount() &&
           addressValue(m_list->topLevelItem(at)->data(AddressColumn, AddressRole).toString()) < value)
        ++at;
    m_list->insertTopLevelItem(at, row);
    m_rows.insert(address, row);
    return row;
}

void ComputerBrowseDialog::addSource(QTreeWidgetItem* row, const QString& source)
{
    QStringList sources = row->text(SourceColumn).split(u", "_s, Qt::SkipEmptyParts);
    if (sources.contains(source))
        return;
    sources.append(source);
    sources.sort();
    row->setText(SourceColumn, sources.join(u", "_s));
}

void ComputerBrowseDialog::updateStatus()
{
    const QString count = u"Найдено компьютеров: "_s + QString::number(m_list->topLevelItemCount());
    if (m_scan->isRunning()) {
        m_status->setText(u"Поиск компьютеров в сети... "_s + count);
        m_progress->setVisible(true);
    } else {
        m_status->setText(count);
        m_progress->setVisible(false);
    }
}

void ComputerBrowseDialog::done(int result)
{
    m_computerName.clear();
    if (result == Accepted) {
        const QList<QTreeWidgetItem*> picked = m_list->selectedItems();
        if (picked.isEmpty())
            return;
        const QTreeWidgetItem* row = picked.constFirst();
        m_computerName = row->text(NameColumn).isEmpty() ? row->text(AddressColumn) : row->text(NameColumn);
    }
    stopSearch();
    updateStatus();
    QDialog::done(result);
}

QString BrowseForComputer(ComputerBrowseDialog::Search search, QWidget* parent)
{
    ComputerBrowseDialog dialog(std::move(search), parent);
    return dialog.exec() == QDialog::Accepted ? dialog.ComputerName() : QString();
}

} // namespace vantrel
