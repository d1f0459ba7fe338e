#pragma once

#include "transfer/transfer.h"

#include <QHostAddress>
#include <QList>

namespace vantrel {

// The sending side of one acceptance: each accepted file goes to the peer on a connection of
// its own, in list order, as `<VTL_FILE>` with its header line and then its bytes straight
// from the file. A file that fails ends only itself; the next one is tried.
class OutgoingTransfer final : public Transfer {
    Q_OBJECT
public:
    struct Item {
        QString source;      // the local file
        QString destination; // the acceptor's path, as it named it
        QString size;        // the size as the acceptance gave it, passed on unchanged
    };
    struct Connection {
        QHostAddress peer;
        quint16 port = 0;
        QHostAddress bindAddress;
        int connectTimeoutMs = 15000;
        int writeTimeoutMs = 30000;
    };

    OutgoingTransfer(QString contact, QString senderName, QList<Item> items, bool isImage,
                     Connection connection, QObject* parent = nullptr);
    ~OutgoingTransfer() override;
    Q_DISABLE_COPY_MOVE(OutgoingTransfer)

    const QList<Item>& items() const { return m_items; }

protected:
    void run() override;

private:
    QString m_senderName;
    QList<Item> m_items;
    Connection m_connection;
};

} // namespace vantrel
