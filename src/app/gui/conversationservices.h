#pragma once

#include "contacts/ui/statusimages.h"
#include "display/conversationhost.h"
#include "display/smileyhost.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace vantrel {

class AppHost;
class ConversationWindows;
class Engine;
class MainWindow;
class QuickMessageMenu;
class QuickMessages;
class SmileyImages;
class SmileyMenu;
class SmileyPicker;
class SmileyTable;

// What the conversation windows use of the program: the engine's contact list, sending and
// probes, the smiley set, the quick messages and the popup font. Owns the windows, the
// program-wide smiley table, picker and menu, and the quick-message menu.
class ConversationServices final : public QObject, public ConversationHost, public SmileyHost {
    Q_OBJECT
public:
    ConversationServices(Engine& engine, MainWindow& mainWindow, AppHost& appHost, QObject* parent = nullptr);
    ~ConversationServices() override;
    Q_DISABLE_COPY_MOVE(ConversationServices)

    ConversationWindows& windows() { return *m_windows; }
    SmileyTable& smileyTable() { return *m_smileyTable; }
    QuickMessages& quickMessages() { return *m_quickMessages; }
    // Refills the smiley table from the settings (at start and after the settings change).
    void rebuildSmileys();

    // The tree's "Проверить", "Ping" and "Информация" on the node at `index`: the window of
    // its display text shows the result. The node itself is probed, even when another contact
    // has the same display name.
    void runForContact(ConversationHost::Command command, int index);

    // ConversationHost
    QString userName() const override;
    int contactIndex(const QString& target) const override;
    int contactImage(int index) const override;
    QIcon statusIcon(int image) const override;
    bool isSharedListInUse() const override;
    bool isPresenceBusy() const override;
    bool isAvailable(Command command) const override;
    void run(ConversationWindow& window, Command command) override;
    void sendMessage(const QString& target, const QString& text) override;
    void offerFiles(ConversationWindow& window, const QStringList& files) override;
    void showBalloon(const QString& title, const QString& text,
                     ConversationHost::BalloonLevel level) override;
    QString historyPath(const QString& target) const override;
    QString confDir() const override;
    void popupQuickMessages(QPlainTextEdit* replyBox, const QPoint& globalPos) override;
    QMenu* createQuickMessageEditMenu(QPlainTextEdit* replyBox, QWidget* parent) override;
    void chooseSmiley(ConversationWindow& window, const QPoint& globalPos) override;
    SmileyImages* smileys() override;
    QFont popupFont() const override;
    void setPopupFont(const QFont& font) override;
    QString retype(const QString& text) override;

    // SmileyHost
    void showBalloon(const QString& title, const QString& text, SmileyHost::BalloonLevel level) override;
    QString mainWindowCaption() const override;

private:
    // "Проверить" of the node `index` (marked too), or with -1 of the window's target: the
    // first contact of that display name, or for any other target the plain check.
    void check(ConversationWindow& window, int index);
    // "Ping" and "Информация" of `computer`, printed into the window.
    void probe(ConversationWindow& window, Command command, const QString& computer);

public:
    // SetFormIcon: the conversation window titled `caption` (ignoring case), when there is
    // one, shows status image `code` as its icon.
    void SetFormIcon(const QString& caption, int code);

private:
    Engine& m_engine;
    MainWindow& m_mainWindow;
    AppHost& m_appHost;
    StatusImages m_statusImages;
    std::unique_ptr<SmileyTable> m_smileyTable;
    std::unique_ptr<SmileyImages> m_smileyImages;
    std::unique_ptr<QuickMessages> m_quickMessages;
    QuickMessageMenu* m_quickMessageMenu = nullptr;
    SmileyPicker* m_smileyPicker = nullptr;
    SmileyMenu* m_smileyMenu = nullptr;
    QPointer<ConversationWindow> m_smileyClient;
    std::unique_ptr<ConversationWindows> m_windows;
};

} // namespace vantrel
