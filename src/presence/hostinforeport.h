#pragma once

#include "presence/networkprobes.h"
#include "presence/probeline.h"

#include <QObject>

namespace vantrel {

// The "Информация" command: the name, computer name and IP address of a partner, printed in
// navy as one block:
//   45 "-"
//   "            Имя: " + name
//   "Компьютер: " + computer name
//   "     IP-адрес: " + address   (or "     IP-адрес: компьютер " + computer + " в сети не найден.")
//   45 "-"
// For a dotted name the computer name is looked up from the address. One report at a time;
// lines arrive on this object's thread, in order.
class HostInfoReport final : public QObject {
    Q_OBJECT
public:
    using LineSink = std::function<void(const ProbeLine& line)>;
    using Finished = std::function<void()>;

    explicit HostInfoReport(NetworkProbes& probes, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(HostInfoReport)

    // Starts the report for `name`, whose computer name (from the contact list) is
    // `computerName`; for a dotted `name` the computer name comes from reverse resolution
    // instead. Returns false, doing nothing, while a report runs.
    bool start(const QString& name, const QString& computerName, LineSink lines, Finished finished = {});
    bool isRunning() const { return m_running; }

    static QString separatorLine();
    static QString nameLine(const QString& name);
    static QString computerLine(const QString& computerName);
    static QString addressLine(const QString& address);
    static QString notFoundLine(const QString& computerName);

private:
    void print(const QString& computerName, const QString& addressText);

    NetworkProbes& m_probes;
    LineSink m_lines;
    Finished m_finished;
    QString m_name;
    bool m_running = false;
};

} // namespace vantrel
