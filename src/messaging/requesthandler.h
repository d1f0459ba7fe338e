#pragma once

#include "messaging/streamsink.h"

#include <QString>
#include <QtGlobal>

#include <memory>

namespace vantrel {

// Receives the requests that belong to status exchange and file transfer. The listener has
// read each request completely before calling; every call is made on the engine's thread and
// must not wait for the user (a question is asked asynchronously and answered later with a
// request of its own).
class RequestHandler {
public:
    RequestHandler() = default;
    virtual ~RequestHandler() = default;
    Q_DISABLE_COPY_MOVE(RequestHandler)

    // `<STATUS>`: its line followed by `<HOST>peer IP</HOST>`.
    virtual void statusReceived(const QString& item, const QString& peerIp) = 0;
    // `<VTL_QUERY_FILE>` (a line): answered by `<VTL_WRITE_FILE>` or `<no_accept_file>`.
    virtual void fileOfferReceived(const QString& line, const QString& peerIp) = 0;
    // `<VTL_QUERY_FILES>` (a trailing body): answered by `<VTL_WRITE_FILE>` or `<no_accept_files>`.
    virtual void filesOfferReceived(const QString& body, const QString& peerIp) = 0;
    // `<VTL_IMAGE>` (a line): answered by `<VTL_WRITE_FILE>` or `<no_accept_image>`.
    virtual void imageOfferReceived(const QString& line, const QString& peerIp) = 0;
    // `<VTL_WRITE_FILE>`: its body followed by `<HOST>peer IP</HOST>`.
    virtual void writeFileReceived(const QString& item, const QString& peerIp) = 0;
    // `<VTL_FILE>`: its line has been read and the raw bytes follow. Returns where they go;
    // null discards them (the connection is still read to its end).
    virtual std::unique_ptr<StreamSink> fileStreamStarting(const QString& line, const QString& peerIp) = 0;
};

} // namespace vantrel
