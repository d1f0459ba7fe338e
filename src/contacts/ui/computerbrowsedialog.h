#pragma once

#include "presence/networkscan.h"

#include <QDialog>
#include <QHash>
#include <QList>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vantrel {

class HostDiscovery;
class NetworkProbes;

// The browse-for-computer dialog `TComputerNameDialog` ("Выберите имя компьютера"): the
// computers of the local network a user could message. While it is shown, a scan of the
// protocol port runs over the given addresses (the machine's own networks) and, where the
// system's multicast-DNS service runs, the computers it announces are added; results appear as
// they come, with a progress bar. Each row shows the computer's name (its reverse name, or the
// announced one), its address and where it was found. Picking a row gives its name, or its
// address when it has none. Closing the dialog stops the search; nothing runs before it shows.
class ComputerBrowseDialog final : public QDialog {
    Q_OBJECT
public:
    struct Search {
        NetworkProbes& probes;
        NetworkScan::Config scan;
        // The announcements of the local network; null where there are none.
        HostDiscovery* discovery = nullptr;
        // The addresses scanned (host order); NetworkScan::localTargets() in the program.
        QList<quint32> targets;
    };

    explicit ComputerBrowseDialog(Search search, QWidget* parent = nullptr);
    ~ComputerBrowseDialog() override;
    Q_DISABLE_COPY_MOVE(ComputerBrowseDialog)

    // The picked computer (after Accepted).
    QString ComputerName() const { return m_computerName; }

    QTreeWidget* list() const { return m_list; }
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLabel() const { return m_status; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* refreshButton() const { return m_refresh; }
    const NetworkScan& scan() const { return *m_scan; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startSearch();
    void stopSearch();
    QTreeWidgetItem* rowFor(const QString& address);
    void addSource(QTreeWidgetItem* row, const QString& source);
    void updateStatus();

    Search m_search;
    NetworkScan* m_scan = nullptr;
    QTreeWidget* m_list = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QHash<QString, QTreeWidgetItem*> m_rows;
    QString m_computerName;
    bool m_started = false;
};

// Shows the dialog modally with the caption "Выберите имя компьютера"; the picked name, or an
// empty text when nothing was picked.
QString BrowseForComputer(ComputerBrowseDialog::Search search, QWidget* parent);

} // namespace vantrel
