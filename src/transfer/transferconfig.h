#pragma once

#include "messaging/outgoingconfig.h"

#include <QString>

namespace vantrel {

// Where file data goes and the limits that keep a misbehaving peer from tying the receiver up.
struct TransferConfig {
    // Bind address and port of the data connections (the same as for every other request).
    OutgoingConfig outgoing;
    // The private folder received pictures pass through; empty refuses pictures.
    QString picturesDir;

    // Questions waiting for the user at once; further offers that need one are refused.
    int maxWaitingQuestions = 16;
    // Files received at once from one peer address, and from all together; a further stream
    // waits unread (its sender waits too) until one of them has ended.
    int maxStreamsPerPeer = 8;
    int maxStreams = 64;
    // Acceptances one peer address may have open (named but not yet used destinations);
    // further offers from it are refused until they are used or expire.
    int maxAcceptancesPerPeer = 32;
    // Files one offer may hold; a larger offer is refused.
    int maxFilesPerOffer = 1000;
    // An accepted destination may be written this long after the acceptance or after the
    // previous file of the same acceptance ended.
    int destinationLifetimeMs = 10 * 60 * 1000;
    // An offer may be accepted this long after it was made; a peer keeps at most
    // maxOffersPerPeer of them (the oldest are forgotten).
    int offerLifetimeMs = 24 * 60 * 60 * 1000;
    int maxOffersPerPeer = 4096;
    // A data connection on which nothing arrives for this long fails.
    int idleTimeoutMs = 60000;
};

} // namespace vantrel
