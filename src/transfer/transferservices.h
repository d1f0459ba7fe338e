#pragma once

#include <QString>

#include <functional>

namespace vantrel {

class ContactLookup;
class HistoryLog;
class MessagingHost;
class PeerLog;
class Settings;
class TcpCommandSender;
class TransferHost;

// What the transfer engine uses of the program. Every part must outlive the engine.
struct TransferServices {
    Settings& settings;
    ContactLookup& contacts;
    MessagingHost& host;
    TransferHost& transferHost;
    // Lines about what peers did, limited per address.
    PeerLog& peerLog;
    HistoryLog& history;
    TcpCommandSender& commands;
    // The FROM value of the requests this side sends.
    std::function<QString()> senderName;
};

} // namespace vantrel
