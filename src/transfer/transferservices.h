#pragma once

#include <QString>

#include <functional>

namespace vantrel {

class ContactLookup;
class EventLog;
class HistoryLog;
class MessagingHost;
class Settings;
class TcpCommandSender;
class TransferHost;

// What the transfer engine uses of the program. Every part must outlive the engine.
struct TransferServices {
    Settings& settings;
    ContactLookup& contacts;
    MessagingHost& host;
    TransferHost& transferHost;
    EventLog& eventLog;
    HistoryLog& history;
    TcpCommandSender& commands;
    // The FROM value of the requests this side sends.
    std::function<QString()> senderName;
};

} // namespace vantrel
