// Program entry: parses the command line, keeps one running copy per user and starts the
// windowed or the headless mode.

#include "app/commandline.h"
#include "app/engine.h"
#include "app/guardedapplication.h"
#include "app/handoverrecord.h"
#include "app/headlessmode.h"
#include "core/apppaths.h"
#include "core/utilities.h"
#include "messaging/oneshotsender.h"
#include "messaging/sambamessengertransport.h"
#include "platform/localnames.h"
#include "platform/platformservices.h"
#include "platform/singleinstance.h"
#include "platform/terminationsignals.h"
#include "settings/settings.h"

#ifdef VANTREL_WITH_GUI
#include "app/gui/windowedmode.h"
#include <QApplication>
#endif

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

void printTo(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QStringList argumentsOf(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

#ifdef VANTREL_WITH_GUI
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}
#endif

// --quit, --status, --send-files and --messenger-popup: one command to the running copy.
int runInstanceCommand(const QByteArray& command, const QString& noInstanceText)
{
    switch (SingleInstance::sendCommand(AppPaths::resolve().baseDir, command, 5000)) {
    case SingleInstance::SendResult::Delivered:
        return 0;
    case SingleInstance::SendResult::NoInstance:
        printTo(stderr, noInstanceText);
        return 1;
    case SingleInstance::SendResult::Failed:
        break;
    }
    printTo(stderr, u"vantrel: the running copy did not take the request\n"_s);
    return 1;
}

// --send and --beep: one request without a running copy; the sender name and, for messages,
// the transport (the own protocol, or the Messenger service through Samba) follow the user's
// settings like the program's own sends do.
int runSend(int argc, char** argv, const CommandLine& commandLine)
{
    QCoreApplication app(argc, argv);
    const Settings settings(AppPaths::resolve().settingsFile);
    QString senderName = ReadLocalNames().computerName;
    if (settings.fmConfig.dxCheckbox_From_Checked.value() &&
        !settings.fmConfig.Edit_From_Text.value().isEmpty())
        senderName = settings.fmConfig.Edit_From_Text.value();
    OutgoingConfig config;
    if (!commandLine.bindAddress.isEmpty())
        config.bindAddress = QHostAddress(commandLine.bindAddress);
    OneShotSender sender(config, senderName);
    OneShotSender::Result result;
    if (commandLine.action == CommandLine::Action::Beep) {
        result = sender.sendBeep(commandLine.target);
    } else if (settings.fmConfig.dxCheckbox_TCPMessage_Checked.value()) {
        result = sender.sendMessage(commandLine.target, commandLine.text);
    } else {
        const std::unique_ptr<ProcessRunner> runner = createProcessRunner();
        SambaMessengerTransport transport(*runner);
        result = sender.sendThroughMessenger(commandLine.target, commandLine.text, transport);
    }
    if (result.ok)
        return 0;
    printTo(stderr, u"vantrel: "_s + result.reason + u'\n');
    return 1;
}

// --send-files: the files go to the running copy, which offers them.
int runSendFiles(int argc, char** argv, const CommandLine& commandLine)
{
    QCoreApplication app(argc, argv);
    QStringList files;
    for (const QString& file : commandLine.files) {
        const QFileInfo info(file);
        if (!info.isFile()) {
            printTo(stderr, u"vantrel: no such file: "_s + file + u'\n');
            return 1;
        }
        files.append(info.absoluteFilePath());
        if (files.constLast().contains(u'\n') || files.constLast().contains(u'\r')) {
            printTo(stderr,
                    u"vantrel: a file name with a line break cannot be handed over: "_s + file + u'\n');
            return 1;
        }
    }
    if (files.isEmpty()) {
        printTo(stderr, u"vantrel: --send-files needs at least one file\n"_s);
        return 1;
    }
    if (commandLine.target.contains(u':')) {
        // The hand-over record ends its target at the first ':'.
        printTo(stderr,
                u"vantrel: the target of --send-files cannot contain ':': "_s + commandLine.target + u'\n');
        return 1;
    }
    const QByteArray command = handOverCommand(fileHandOverRecord(commandLine.target, files));
    if (command.size() > SingleInstance::kMaxCommandSize) {
        printTo(stderr, u"vantrel: too many files for one hand-over\n"_s);
        return 1;
    }
    return runInstanceCommand(command, u"vantrel: no running copy to hand the files to\n"_s);
}

// --messenger-popup: a popup text (from a file, or "-" for standard input) goes to the running
// copy, which presents it as a received message.
int runMessengerPopup(int argc, char** argv, const CommandLine& commandLine)
{
    QCoreApplication app(argc, argv);
    // A popup holds at most 1600 bytes; what is far larger is no popup.
    constexpr qint64 maxBytes = 16 * 1024;
    const QString name = commandLine.files.value(0);
    QFile file(name);
    const bool opened =
        name == u"-"_s ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) {
        printTo(stderr, u"vantrel: cannot read "_s + name + u": "_s + file.errorString() + u'\n');
        return 1;
    }
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray chunk = file.read(maxBytes + 1 - bytes.size());
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > maxBytes) {
        printTo(stderr, u"vantrel: "_s + name + u" is larger than "_s + QString::number(maxBytes) +
                            u" bytes: not a popup text\n"_s);
        return 1;
    }
    if (bytes.trimmed().isEmpty()) {
        printTo(stderr, u"vantrel: "_s + name + u" holds no popup text\n"_s);
        return 1;
    }
    const QByteArray command = handOverCommand(popupHandOverRecord(QString::fromUtf8(bytes)));
    if (command.size() > SingleInstance::kMaxCommandSize) {
        printTo(stderr, u"vantrel: "_s + name + u" is too large to hand over\n"_s);
        return 1;
    }
    return runInstanceCommand(command, u"vantrel: no running copy to show the popup\n"_s);
}

template <typename Mode, typename App>
int runStart(App& app, const CommandLine& commandLine)
{
    const AppPaths paths = AppPaths::resolve();
    SingleInstance instance(paths.baseDir);
    if (!instance.tryBecomePrimary()) {
        // Another copy runs for this user: bring it to the front and end, writing nothing.
        SingleInstance::sendCommand(paths.baseDir, "restore", 3000);
        return 0;
    }
    Mode mode(commandLine, paths);
    app.setEventLog(&mode.engine().eventLog());
    QObject::connect(&instance, &SingleInstance::commandReceived, &mode,
                     [&mode](const QByteArray& command) { mode.handleInstanceCommand(command); });
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                     [] { QCoreApplication::exit(0); });
    mode.start();
    const int code = app.exec();
    app.setEventLog(nullptr);
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine commandLine = CommandLine::parse(argumentsOf(argc, argv));
    switch (commandLine.action) {
    case CommandLine::Action::Error:
        printTo(stderr, u"vantrel: "_s + commandLine.error + u" (see vantrel --help)\n"_s);
        return 2;
    case CommandLine::Action::Help:
        printTo(stdout, CommandLine::usage());
        return 0;
    case CommandLine::Action::Version:
        printTo(stdout, u"Vantrel "_s + ProgramVersionText() + u'\n');
        return 0;
    case CommandLine::Action::Quit: {
        QCoreApplication app(argc, argv);
        return runInstanceCommand("exit", u"vantrel: no running copy to quit\n"_s);
    }
    case CommandLine::Action::Status: {
        QCoreApplication app(argc, argv);
        return runInstanceCommand(CommandLine::statusCommand(commandLine.statusCode),
                                  u"vantrel: no running copy to set the status of\n"_s);
    }
    case CommandLine::Action::Send:
    case CommandLine::Action::Beep:
        return runSend(argc, argv, commandLine);
    case CommandLine::Action::SendFiles:
        return runSendFiles(argc, argv, commandLine);
    case CommandLine::Action::MessengerPopup:
        return runMessengerPopup(argc, argv, commandLine);
    case CommandLine::Action::Start:
        break;
    }

    QCoreApplication::setApplicationName(u"Vantrel"_s);
    QCoreApplication::setApplicationVersion(ProgramVersionText());

#ifdef VANTREL_WITH_GUI
    if (!commandLine.headless && hasDisplay()) {
        GuardedApplication<QApplication> app(argc, argv);
        app.setQuitOnLastWindowClosed(false);
        app.setApplicationDisplayName(u"Vantrel"_s);
        return runStart<WindowedMode>(app, commandLine);
    }
    if (!commandLine.headless)
        printTo(stderr, u"vantrel: no display found, starting without windows (--headless)\n"_s);
#else
    if (!commandLine.headless)
        printTo(stderr, u"vantrel: built without windows, starting headless\n"_s);
#endif
    GuardedApplication<QCoreApplication> app(argc, argv);
    return runStart<HeadlessMode>(app, commandLine);
}
