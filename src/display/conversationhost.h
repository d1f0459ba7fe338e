#pragma once

#include <QString>
#include <QStringList>

class QFont;
class QIcon;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QWidget;

namespace vantrel {

class ConversationWindow;
class SmileyImages;

// What a conversation window asks of the program: the contact list, sending, the commands of
// its contact menu, quick messages, smileys and the popup font. UI thread only.
class ConversationHost {
public:
    // The contact menu's commands that run outside the window.
    enum class Command {
        Check,         // "Проверить"
        Ping,          // "Ping"
        Info,          // "Информация"
        SendFile,      // "Послать файл..." (the files come with offerFiles)
        AddContact,    // "Добавить"
        DeleteContact, // "Удалить"
    };
    enum class BalloonLevel { None = 0, Information = 1, Warning = 2, Error = 3 };

    ConversationHost() = default;
    virtual ~ConversationHost() = default;
    Q_DISABLE_COPY_MOVE(ConversationHost)

    // The own user name of the reply headers.
    virtual QString userName() const = 0;
    // The contact's index in the list, -1 when the target is no contact.
    virtual int contactIndex(const QString& target) const = 0;
    // The contact's current status image (0 to 4).
    virtual int contactImage(int index) const = 0;
    virtual QIcon statusIcon(int image) const = 0;
    // The shared contact list is in use: nothing may be added or deleted.
    virtual bool isSharedListInUse() const = 0;
    // A presence worker runs: "Добавить" and "Удалить" are disabled.
    virtual bool isPresenceBusy() const = 0;
    // Whether a command can run in this build (a command of a missing feature is disabled).
    virtual bool isAvailable(Command command) const = 0;
    virtual void run(ConversationWindow& window, Command command) = 0;
    // Sends a reply to the window's target.
    virtual void sendMessage(const QString& target, const QString& text) = 0;
    // Offers files to the window's target (a drop or "Послать файл...").
    virtual void offerFiles(ConversationWindow& window, const QStringList& files) = 0;
    virtual void showBalloon(const QString& title, const QString& text, BalloonLevel level) = 0;
    // The target's history log (it may not exist).
    virtual QString historyPath(const QString& target) const = 0;
    // The folder of the windows' own settings files.
    virtual QString confDir() const = 0;
    // The program's quick-message menu, choosing into `replyBox`.
    virtual void popupQuickMessages(QPlainTextEdit* replyBox, const QPoint& globalPos) = 0;
    // The drop-down of the quick-message button, editing the list from `replyBox`.
    virtual QMenu* createQuickMessageEditMenu(QPlainTextEdit* replyBox, QWidget* parent) = 0;
    // Opens the smiley picker or the built-in smiley menu for the window; the choice comes
    // back through ConversationWindow::insertSmiley.
    virtual void chooseSmiley(ConversationWindow& window, const QPoint& globalPos) = 0;
    // The pictures that replace smiley texts in the view; nullptr draws none.
    virtual SmileyImages* smileys() = 0;
    virtual QFont popupFont() const = 0;
    // Stores a font chosen in a window as the popup font and saves the settings.
    virtual void setPopupFont(const QFont& font) = 0;
    // The text retyped in the other keyboard layout, which becomes the active one (F12).
    virtual QString retype(const QString& text) = 0;
};

} // namespace vantrel
