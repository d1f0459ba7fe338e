#include "messaging/sambamessengertransport.h"

#include "core/textlines.h"
#include "platform/processrunner.h"

#include <QPointer>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr qsizetype MaxReasonChars = 300;
constexpr qsizetype MaxWorkgroupChars = 64;

QString programMissingText(const QString& program)
{
    return u"Программа \""_s + program + u"\" не найдена."_s;
}

QString programNotStartedText(const QString& program)
{
    return u"Не удалось запустить программу \""_s + program + u"\"."_s;
}

} // namespace

SambaMessengerTransport::SambaMessengerTransport(ProcessRunner& runner)
    : m_runner(runner)
{}

SambaMessengerTransport::~SambaMessengerTransport() = default;

void SambaMessengerTransport::later(std::function<void()> call)
{
    QTimer::singleShot(0, &m_context, std::move(call));
}

QByteArray SambaMessengerTransport::standardInput(QStringView text)
{
    QString lf = text.toString();
    lf.replace(u"\r\n"_s, u"\n"_s);
    lf.replace(u'\r', u'\n');
    return lf.toUtf8();
}

bool SambaMessengerTransport::fits(QStringView text) const
{
    const QByteArray bytes = standardInput(text);
    return bytes.size() + bytes.count('\n') <= MaxMessageBytes;
}

QString SambaMessengerTransport::userName(const QString& sender)
{
    QString name = sender;
    for (QChar& c : name) {
        if (c == u'%' || c == u'\\' || c == u'/')
            c = u'_';
    }
    return name;
}

QString SambaMessengerTransport::reasonOf(const QByteArray& output, const QByteArray& errorOutput)
{
    QString status;
    QString lastError;
    QString lastOutput;
    const auto scan = [&](const QByteArray& bytes, QString& last) {
        const QString text = QString::fromUtf8(bytes);
        for (QStringView line : SplitTextLines(text)) {
            line = line.trimmed();
            // smbclient's prompt for the text, printed on every run.
            if (line.isEmpty() || line.startsWith(u"Type your message"))
                continue;
            if (line.contains(u"NT_STATUS_"))
                status = line.toString();
            last = line.toString();
        }
    };
    scan(output, lastOutput);
    scan(errorOutput, lastError);
    const QString reason = !status.isEmpty() ? status : !lastError.isEmpty() ? lastError : lastOutput;
    return Shortened(EscapeControls(reason), MaxReasonChars);
}

void SambaMessengerTransport::localWorkgroup(std::function<void(const QString&)> done)
{
    const QString program = m_runner.findProgram(u"testparm"_s);
    if (program.isEmpty()) {
        later([done = std::move(done)] { done({}); });
        return;
    }
    QPointer<QObject> alive(&m_context);
    m_runner.run(program, {u"-s"_s, u"--parameter-name"_s, u"workgroup"_s}, {}, TimeoutMs,
                 [alive, done = std::move(done)](const ProcessRunner::Result& result) {
                     if (!alive)
                         return;
                     QString name;
                     if (result.outcome == ProcessRunner::Result::Outcome::Finished && result.exitCode == 0) {
                         const QString text = QString::fromUtf8(result.output);
                         const QList<QStringView> lines = SplitTextLines(text);
                         if (!lines.isEmpty())
                             name = lines.constFirst().trimmed().toString();
                     }
                     // A work-group name is short and plain; anything else is not one.
                     if (name.size() > MaxWorkgroupChars || EscapeControls(name) != name)
                         name.clear();
                     done(name);
                 });
}

void SambaMessengerTransport::send(const QString& address, const QString& sender, const QString& text,
                                   Callback done)
{
    const QString program = m_runner.findProgram(u"smbclient"_s);
    if (program.isEmpty()) {
        later([done = std::move(done)] {
            done({Outcome::Kind::Unavailable, 0, programMissingText(u"smbclient"_s)});
        });
        return;
    }
    if (address.isEmpty() || address.startsWith(u'-')) {
        // Never a computer name, and smbclient would read it as an option.
        later([done = std::move(done), address] {
            done({Outcome::Kind::Failed, 1,
                  u"недопустимое имя получателя \""_s + EscapeControls(address) + u'"'});
        });
        return;
    }
    const QStringList arguments{u"-M"_s, address, u"-U"_s, userName(sender), u"-N"_s};
    QPointer<QObject> alive(&m_context);
    m_runner.run(program, arguments, standardInput(text), TimeoutMs,
                 [alive, done = std::move(done)](const ProcessRunner::Result& result) {
                     if (!alive)
                         return;
                     using R = ProcessRunner::Result::Outcome;
                     const QString reason = reasonOf(result.output, result.errorOutput);
                     switch (result.outcome) {
                     case R::FailedToStart:
                         done({Outcome::Kind::Unavailable, 0, programNotStartedText(u"smbclient"_s)});
                         return;
                     case R::TimedOut:
                         done({Outcome::Kind::Failed, TimedOutCode,
                               u"smbclient не ответил за "_s + QString::number(TimeoutMs / 1000) + u" с"_s});
                         return;
                     case R::Crashed:
                         done({Outcome::Kind::Failed, CrashedCode + qMax(0, result.exitCode),
                               u"smbclient завершился аварийно"_s});
                         return;
                     case R::Finished:
                         break;
                     }
                     if (result.exitCode != 0) {
                         done({Outcome::Kind::Failed, result.exitCode, reason});
                         return;
                     }
                     // smbclient ends with 0 even when the recipient refused the message; it
                     // says so on standard error.
                     if (result.errorOutput.contains("cli_message returned")) {
                         done({Outcome::Kind::Failed, 1, reason});
                         return;
                     }
                     done({Outcome::Kind::Sent, 0, {}});
                 });
}

} // namespace vantrel
