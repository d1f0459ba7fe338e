#pragma once

#include "messaging/messengertransport.h"

#include <QObject>

namespace vantrel {

class ProcessRunner;

// The Messenger-service transport over Samba: a message goes as `smbclient -M NAME -U SENDER
// -N` with its text on standard input (UTF-8, line breaks as LF, which smbclient sends as
// CR LF in the DOS code page Samba is set up for), the local work group comes from `testparm`.
// Windows computers with the Messenger service and Samba servers with a "message command"
// receive such messages. Without smbclient the transport says so in the balloon text.
class SambaMessengerTransport final : public MessengerTransport {
public:
    static constexpr int TimeoutMs = 15000;
    // smbclient keeps at most 1600 bytes of a message (each line break counting two) and cuts
    // the rest: a message stays well below.
    static constexpr qsizetype MaxMessageBytes = 1500;
    // Exit codes given to a run that was stopped at the time-out, or that crashed (plus the
    // signal number where known), as the shell reports them.
    static constexpr int TimedOutCode = 124;
    static constexpr int CrashedCode = 128;

    explicit SambaMessengerTransport(ProcessRunner& runner);
    ~SambaMessengerTransport() override;
    Q_DISABLE_COPY_MOVE(SambaMessengerTransport)

    bool fits(QStringView text) const override;
    void localWorkgroup(std::function<void(const QString&)> done) override;
    void send(const QString& address, const QString& sender, const QString& text, Callback done) override;

    // The bytes smbclient reads for `text`: UTF-8, CR LF and CR as LF.
    static QByteArray standardInput(QStringView text);
    // The one line of smbclient's output that says what went wrong.
    static QString reasonOf(const QByteArray& output, const QByteArray& errorOutput);
    // The name smbclient takes as user name: '%', '\' and '/' would split it, they become '_'.
    static QString userName(const QString& sender);

private:
    void later(std::function<void()> call);

    ProcessRunner& m_runner;
    // Context of calls made later; deleted with the transport, so none runs after it.
    QObject m_context;
};

} // namespace vantrel
