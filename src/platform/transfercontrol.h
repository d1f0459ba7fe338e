#pragma once

#include <QtGlobal>

#include <atomic>

namespace vantrel {

// Shared between a transfer's worker thread and whoever watches it: the bytes of the current
// file moved so far (read by the progress display), and the request to stop early.
struct TransferControl {
    TransferControl() = default;
    Q_DISABLE_COPY_MOVE(TransferControl)

    std::atomic<qint64> bytes{0};
    std::atomic<bool> cancel{false};
    // A connection on which nothing moves for this long counts as dead.
    int idleTimeoutMs = 60000;
};

} // namespace vantrel
