#include "app/headlessmode.h"

#include "app/engine.h"
#include "app/handoverrecord.h"
#include "core/textlines.h"
#include "presence/statusbroadcaster.h"
#include "presence/statusreceiver.h"
#include "transfer/transfer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

// One line on a standard stream. What peers sent may be part of it: no control character
// reaches the terminal, and the line stays one line.
void printLine(FILE* stream, const QString& line)
{
    const QByteArray bytes = EscapeControls(line).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

namespace {

CommandLine headless(CommandLine commandLine)
{
    commandLine.headless = true;
    return commandLine;
}

} // namespace

HeadlessMode::HeadlessMode(const CommandLine& commandLine, const AppPaths& paths, QObject* parent)
    : QObject(parent)
    , m_engine(std::make_unique<Engine>(headless(commandLine), paths, *this))
{}

HeadlessMode::~HeadlessMode() = default;

void HeadlessMode::start()
{
    m_engine->start();
    printLine(stderr, u"vantrel: running headless, data in "_s + m_engine->paths().baseDir);
    // Status changes, own and reported, are printed so that scripts can follow them.
    connect(&m_engine->status(), &StatusBroadcaster::statusChanged, this,
            [](int code) { printLine(stderr, u"vantrel: own status "_s + QString::number(code)); });
    connect(&m_engine->statusReports(), &StatusReceiver::userStatusChanged, this,
            [](int, const QString& name, int code) {
                printLine(stderr, u"vantrel: status of "_s + name + u": "_s + QString::number(code));
            });
}

void HeadlessMode::askUpdate(const QString& caption, const QString& text, std::function<void(bool)> answered)
{
    QString line = text;
    line.replace(u"\r\n"_s, u" "_s);
    printLine(stderr, u"vantrel: "_s + caption + u": "_s + line);
    if (answered)
        answered(false);
}

void HeadlessMode::handleInstanceCommand(const QByteArray& command)
{
    if (command == "exit") {
        QCoreApplication::exit(0);
        return;
    }
    int code = -1;
    if (CommandLine::parseStatusCommand(command, code) && m_engine->isRunning())
        m_engine->SetStatus(code);
    if (const std::optional<HandOverRecord> record = parseHandOverCommand(command))
        m_engine->handleHandOver(*record);
}

void HeadlessMode::askOffer(const Question& question, AnswerCallback answer)
{
    printLine(stderr,
              u"vantrel: "_s + question.title + u": refused, no one to ask: "_s + escapeText(question.text));
    answer({});
}

void HeadlessMode::transferStarted(const std::shared_ptr<Transfer>& transfer)
{
    const bool sending = transfer->direction() == Transfer::Direction::Sending;
    connect(transfer.get(), &Transfer::fileEnded, this,
            [sending](int, const QString& path, bool ok, const QString&) {
                if (ok)
                    printLine(stderr,
                              (sending ? u"vantrel: sent file "_s : u"vantrel: received file "_s) + path);
            });
}

void HeadlessMode::pictureReceived(const QString& contact, const QString& path)
{
    // Pictures are always asked for, so none arrives here; one that did is not kept.
    printLine(stderr, u"vantrel: picture from "_s + contact + u" dropped: "_s + path);
    QDir(QFileInfo(path).path()).removeRecursively();
}

void HeadlessMode::ShowBalloonHint(const QString& title, const QString& text, int, int level)
{
    static constexpr const char* kLevels[] = {"", "info", "warning", "error"};
    const QString levelName = QString::fromLatin1(kLevels[qBound(0, level, 3)]);
    printLine(stderr, u"vantrel: ["_s + levelName + u"] "_s + title + u": "_s + text);
}

void HeadlessMode::showErrorBox(const QString& title, const QString& text)
{
    printLine(stderr, u"vantrel: "_s + title + u": "_s + text);
}

void HeadlessMode::showPopupError(const QString& contact, const QString& text)
{
    printLine(stderr, u"vantrel: "_s + contact + u": "_s + text);
}

QString HeadlessMode::escapeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += u"\\\\"_s;
            break;
        case u'\r':
            out += u"\\r"_s;
            break;
        case u'\n':
            out += u"\\n"_s;
            break;
        case u'\t':
            out += u"\\t"_s;
            break;
        default:
            out += c;
        }
    }
    // Any other control character: \xHH.
    return EscapeControls(out);
}

void HeadlessMode::messagePresented(const QString& contact, const QString& time, const QString& text)
{
    printLine(stdout, escapeText(contact) + u" ["_s + escapeText(time) + u"]: "_s + escapeText(text));
}

} // namespace vantrel
