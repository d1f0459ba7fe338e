#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace vantrel {

// The operating system's Messenger-service messaging: one short text message to a computer
// (or to every computer of a work group, "GROUP*"), shown there in a system popup.
class MessengerTransport {
public:
    struct Outcome {
        enum class Kind {
            Sent,
            Unavailable, // the facility is missing: `text` is the balloon that says so
            Failed,      // the send was refused: `code` and a one-line `text` say why
        };
        Kind kind = Kind::Sent;
        int code = 0;
        QString text;
    };
    using Callback = std::function<void(const Outcome&)>;

    MessengerTransport() = default;
    virtual ~MessengerTransport() = default;
    Q_DISABLE_COPY_MOVE(MessengerTransport)

    // Whether one message of this text can be carried whole.
    virtual bool fits(QStringView text) const = 0;
    // The local work group or domain name, or empty; `done` is called later, from the event loop.
    virtual void localWorkgroup(std::function<void(const QString&)> done) = 0;
    // Sends `text` from `sender` to `address`; `done` is called once, later, from the event
    // loop (also when the facility is missing).
    virtual void send(const QString& address, const QString& sender, const QString& text, Callback done) = 0;
};

} // namespace vantrel
