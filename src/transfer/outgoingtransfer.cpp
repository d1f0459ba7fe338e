#include "transfer/outgoingtransfer.h"

#include "messaging/protocolcodec.h"
#include "platform/filesender.h"
#include "transfer/transferprotocol.h"

namespace vantrel {

OutgoingTransfer::OutgoingTransfer(QString contact, QString senderName, QList<Item> items, bool isImage,
                                   Connection connection, QObject* parent)
    : Transfer(Direction::Sending, std::move(contact), isImage, static_cast<int>(items.size()),
               connection.writeTimeoutMs, parent)
    , m_senderName(std::move(senderName))
    , m_items(std::move(items))
    , m_connection(std::move(connection))
{
    if (!m_items.isEmpty())
        setCurrentFile(m_items.constFirst().source);
}

OutgoingTransfer::~OutgoingTransfer()
{
    join();
}

void OutgoingTransfer::run()
{
    for (int i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items.at(i);
        reportStarted(i, item.source);
        if (m_control.cancel.load()) {
            reportEnded(i, item.source, false, QStringLiteral("Передача прервана"));
            continue;
        }
        FileSendRequest request;
        request.peer = m_connection.peer;
        request.port = m_connection.port;
        request.bindAddress = m_connection.bindAddress;
        request.connectTimeoutMs = m_connection.connectTimeoutMs;
        request.writeTimeoutMs = m_connection.writeTimeoutMs;
        request.path = item.source;
        request.header = ProtocolCodec::buildRequest(
            ProtocolCodec::Header::File,
            TransferProtocol::streamLine(m_senderName, item.destination, item.size, isImage()));
        const FileSendResult result =
            SendFileOverTcp(request, m_control, [this, i](qint64 size) { reportMoving(i, size); });
        reportEnded(i, item.source, result.ok, result.error);
    }
}

} // namespace vantrel
