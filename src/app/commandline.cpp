#include "app/commandline.h"

#include <QHostAddress>

using namespace Qt::StringLiterals;

namespace vantrel {
namespace {

CommandLine fail(const QString& error)
{
    CommandLine cl;
    cl.action = CommandLine::Action::Error;
    cl.error = error;
    return cl;
}

bool setAction(CommandLine& cl, CommandLine::Action action)
{
    if (cl.action != CommandLine::Action::Start && cl.action != action)
        return false;
    cl.action = action;
    return true;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine cl;
    bool seenPlain = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        const auto needValue = [&](qsizetype count) { return i + count < arguments.size(); };
        if (!arg.startsWith(u"--"_s) || arg == u"--"_s) {
            if (!seenPlain) {
                const QString sw = arg.toLower();
                cl.autorunAdd = sw == u"a"_s;
                cl.autorunDelete = sw == u"d"_s;
                cl.startHidden = sw == u"m"_s;
            }
            seenPlain = true;
            continue;
        }
        const QString option = arg.section(u'=', 0, 0);
        const bool inlineValue = arg.contains(u'=');
        const QString value = arg.section(u'=', 1);
        if (option == u"--headless"_s && !inlineValue) {
            cl.headless = true;
        } else if (option == u"--bind"_s) {
            QString address = value;
            if (!inlineValue) {
                if (!needValue(1))
                    return fail(u"--bind needs an IPv4 address"_s);
                address = arguments.at(++i);
            }
            QHostAddress parsed;
            if (!parsed.setAddress(address) || parsed.protocol() != QAbstractSocket::IPv4Protocol)
                return fail(u"--bind: not an IPv4 address: "_s + address);
            cl.bindAddress = parsed.toString();
        } else if (option == u"--quit"_s && !inlineValue) {
            if (!setAction(cl, Action::Quit))
                return fail(u"--quit cannot be combined with another command"_s);
        } else if (option == u"--send"_s && !inlineValue) {
            if (!needValue(2))
                return fail(u"--send needs a target and a text"_s);
            if (!setAction(cl, Action::Send))
                return fail(u"--send cannot be combined with another command"_s);
            cl.target = arguments.at(++i);
            cl.text = arguments.at(++i);
        } else if (option == u"--beep"_s && !inlineValue) {
            if (!needValue(1))
                return fail(u"--beep needs a target"_s);
            if (!setAction(cl, Action::Beep))
                return fail(u"--beep cannot be combined with another command"_s);
            cl.target = arguments.at(++i);
        } else if (option == u"--send-files"_s && !inlineValue) {
            if (!needValue(2))
                return fail(u"--send-files needs a target and at least one file"_s);
            if (!setAction(cl, Action::SendFiles))
                return fail(u"--send-files cannot be combined with another command"_s);
            cl.target = arguments.at(++i);
            while (i + 1 < arguments.size() && !arguments.at(i + 1).startsWith(u"--"_s))
                cl.files << arguments.at(++i);
        } else if (option == u"--messenger-popup"_s && !inlineValue) {
            if (!needValue(1))
                return fail(u"--messenger-popup needs a file"_s);
            if (!setAction(cl, Action::MessengerPopup))
                return fail(u"--messenger-popup cannot be combined with another command"_s);
            cl.files = QStringList{arguments.at(++i)};
        } else if (option == u"--status"_s) {
            QString code = value;
            if (!inlineValue) {
                if (!needValue(1))
                    return fail(u"--status needs a code: 0, 1 or 2"_s);
                code = arguments.at(++i);
            }
            if (code != u"0"_s && code != u"1"_s && code != u"2"_s)
                return fail(u"--status: the code must be 0, 1 or 2: "_s + code);
            if (!setAction(cl, Action::Status))
                return fail(u"--status cannot be combined with another command"_s);
            cl.statusCode = code.toInt();
        } else if ((option == u"--help"_s || option == u"-h"_s) && !inlineValue) {
            setAction(cl, Action::Help);
        } else if (option == u"--version"_s && !inlineValue) {
            setAction(cl, Action::Version);
        } else {
            return fail(u"unknown option: "_s + arg);
        }
    }
    return cl;
}

QByteArray CommandLine::statusCommand(int code)
{
    return QByteArray("status ") + QByteArray::number(code);
}

bool CommandLine::parseStatusCommand(const QByteArray& command, int& code)
{
    if (command.size() != 8 || !command.startsWith("status "))
        return false;
    const char digit = command.at(7);
    if (digit < '0' || digit > '2')
        return false;
    code = digit - '0';
    return true;
}

QString CommandLine::usage()
{
    return u"Usage: vantrel [a|d|m] [--headless] [--bind ADDRESS]\n"
           "       vantrel --quit\n"
           "       vantrel --status CODE\n"
           "       vantrel --send TARGET TEXT [--bind ADDRESS]\n"
           "       vantrel --beep TARGET [--bind ADDRESS]\n"
           "       vantrel --send-files TARGET FILE...\n"
           "       vantrel --messenger-popup FILE|-\n"
           "\n"
           "  a                 start with the desktop session (autostart entry), then start\n"
           "  d                 remove the autostart entry, then start\n"
           "  m                 start hidden in the tray\n"
           "  --headless        run without windows; received messages are printed\n"
           "  --bind ADDRESS    listen on ADDRESS only and send from it (port 2012)\n"
           "  --quit            make the running copy save its settings and exit\n"
           "  --status CODE     set the running copy's status: 0 online, 1 away, 2 do not\n"
           "                    disturb, told to the contacts like a choice in the status menu\n"
           "  --send TARGET TEXT  send one message (TARGET: names or addresses joined by ';')\n"
           "  --beep TARGET     send a beep signal\n"
           "  --send-files TARGET FILE...  hand files to the running copy, which offers them to\n"
           "                    the contact TARGET (\"-\": its current recipients); one .jpg,\n"
           "                    .gif or .bmp file goes as a picture\n"
           "  --messenger-popup FILE  hand a Messenger-service popup text (from Samba's\n"
           "                    message command; \"-\": standard input) to the running copy,\n"
           "                    which shows it as a received message\n"
           "  --version         print the version\n"_s;
}

} // namespace vantrel
