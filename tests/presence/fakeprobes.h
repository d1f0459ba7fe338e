#pragma once

#include "presence/networkprobes.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

namespace vantrel::test {

// Probes with fixed answers, given later from the event loop like the real ones. Every call is
// recorded in `calls` ("ping HOST", "tcp HOST", "ip NAME", "name ADDRESS", "echo ADDRESS BYTES
// TIMEOUT") with the time it was made.
class FakeProbes final : public QObject, public NetworkProbes {
public:
    FakeProbes() { m_clock.start(); }

    QHash<QString, bool> pingAnswers;  // missing: false
    QHash<QString, bool> tcpAnswers;   // missing: false
    QHash<QString, QString> addresses; // name -> address; missing: not found
    QHash<QString, QString> names;     // address -> name; missing: empty
    QList<IcmpEchoReply> echoReplies;  // taken in order; when used up: a time-out
    QStringList calls;
    QList<qint64> callTimesMs;
    // Called with each call as it is recorded.
    std::function<void(const QString& call)> onCall;

    void PingHost(const QString& host, QObject* context, Result done) override
    {
        record(QStringLiteral("ping ") + host);
        later(context, [done, answer = pingAnswers.value(host)] { done(answer); });
    }
    void TCPConnectHost(const QString& host, QObject* context, Result done) override
    {
        record(QStringLiteral("tcp ") + host);
        later(context, [done, answer = tcpAnswers.value(host)] { done(answer); });
    }
    void GetIPByName(const QString& name, QObject* context, AddressResult done) override
    {
        record(QStringLiteral("ip ") + name);
        const bool found = addresses.contains(name);
        later(context, [done, found, address = addresses.value(name)] { done(found, address); });
    }
    void GetNameByIP(const QString& address, QObject* context, NameResult done) override
    {
        record(QStringLiteral("name ") + address);
        later(context, [done, name = names.value(address)] { done(name); });
    }
    void echo(const QString& address, int payloadBytes, int timeoutMs, QObject* context,
              EchoResult done) override
    {
        record(QStringLiteral("echo %1 %2 %3").arg(address).arg(payloadBytes).arg(timeoutMs));
        IcmpEchoReply reply;
        reply.status = IcmpEchoReply::Status::Timeout;
        if (!echoReplies.isEmpty())
            reply = echoReplies.takeFirst();
        later(context, [done, reply] { done(reply); });
    }

    static IcmpEchoReply success(const QString& from, int bytes, int ttl, int roundTripMs)
    {
        IcmpEchoReply reply;
        reply.status = IcmpEchoReply::Status::Success;
        reply.from = QHostAddress(from);
        reply.bytes = bytes;
        reply.ttl = ttl;
        reply.roundTripMs = roundTripMs;
        return reply;
    }
    static IcmpEchoReply failure(IcmpEchoReply::Status status, const QString& errorText = {})
    {
        IcmpEchoReply reply;
        reply.status = status;
        reply.errorText = errorText;
        return reply;
    }

private:
    void record(const QString& call)
    {
        calls.append(call);
        callTimesMs.append(m_clock.elapsed());
        if (onCall)
            onCall(call);
    }
    template <typename F>
    void later(QObject* context, F answer)
    {
        QTimer::singleShot(0, this, [guard = QPointer<QObject>(context), answer] {
            if (guard)
                answer();
        });
    }

    QElapsedTimer m_clock;
};

} // namespace vantrel::test
