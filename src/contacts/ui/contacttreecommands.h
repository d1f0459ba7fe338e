#pragma once

#include <QString>
#include <QtGlobal>

namespace vantrel {

// The tree menu's commands whose work lives elsewhere (reachability, transfers, the contact
// editor, the beep). A command that is not available is shown disabled.
class ContactTreeCommands {
public:
    enum class Command {
        Check,                  // "Проверить"
        Ping,                   // "Ping"
        SendFile,               // "Послать файл..."
        SendImageFromFile,      // "Из файла..."
        SendImageFromClipboard, // "Из буфера обмена"
        SendBeep,               // "Послать сигнал"
        Info,                   // "Информация"
        Edit,                   // "Редактировать"
    };

    ContactTreeCommands() = default;
    virtual ~ContactTreeCommands() = default;
    Q_DISABLE_COPY_MOVE(ContactTreeCommands)

    virtual bool isAvailable(Command command) const = 0;
    // Runs a command for the node `index` whose tree text is `text`.
    virtual void run(Command command, int index, const QString& text) = 0;
    // A presence worker is running: "Редактировать" is disabled.
    virtual bool isPresenceBusy() const = 0;
};

} // namespace vantrel
