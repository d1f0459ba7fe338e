#pragma once

#include "display/conversationhost.h"

#include <QSet>
#include <QTimer>
#include <QWidget>

#include <memory>

class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTextDocument;
class QTextBrowser;
class QToolBar;
class QToolButton;

namespace vantrel {

class PopupSettingsFile;

// One partner's conversation window: what was received from the target and sent to it, in
// colour with smileys drawn as pictures, a toolbar, and the reply box where Enter sends.
// The window lives until the program ends; closing it only hides it, and a window hidden for
// ClearInterval ms loses the view's content (the history log keeps it).
class ConversationWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClearInterval = 3600000;
    static constexpr int MaxReplyLength = 65535;
    // Work-group and whole-network targets take short replies.
    static constexpr int MaxBroadcastReplyLength = 128;
    static constexpr int DefaultReplyHeight = 73;
    static constexpr int MinReplyHeight = 35;
    static constexpr quint32 Navy = 0x000080;
    static constexpr quint32 Blue = 0x0000FF;
    static constexpr quint32 Green = 0x008000;
    static constexpr quint32 Red = 0xFF0000;
    static constexpr quint32 Black = 0x000000;

    ConversationWindow(const QString& target, ConversationHost& host, QWidget* parent = nullptr);
    ~ConversationWindow() override;
    Q_DISABLE_COPY_MOVE(ConversationWindow)

    // s_Nick: the target as given when the window was created; also its caption.
    const QString& target() const { return m_target; }
    // Whether the target is a work group ("NAME*") or the whole network.
    static bool isBroadcastTarget(const QString& target);

    // MyAddColorLine: appends one paragraph at the end of the view (whatever is selected),
    // draws the smileys inside it only, and scrolls to the bottom.
    void MyAddColorLine(const QString& text, quint32 rgb, bool bold);
    QString viewText() const;
    QTextBrowser* view() const { return m_view; }
    QPlainTextEdit* replyBox() const { return m_reply; }
    int replyLimit() const { return m_replyLimit; }
    // Empties the view ("Очистить").
    void clearView();

    // Files_List: the files of the last drop or file choice.
    const QStringList& filesList() const { return m_filesList; }
    // A drop of URLs: existing files are offered, folders skipped; with none a warning.
    void dropFiles(const QList<QUrl>& urls);
    // A drop onto the reply box that is no file: quotes the view's selection.
    void quoteSelection();
    // A smiley chosen from the picker or the menu; with Ctrl held the reply is sent at once.
    // The window comes to the front with the focus in its reply box.
    void insertSmiley(const QString& text, Qt::KeyboardModifiers modifiers);
    // The smiley picker or menu closed without a choice: back to the front, focus in the reply.
    void returnFromSmileys();

    // The contact menu and the view's menu, prepared as when they open.
    QMenu* contactMenu();
    QMenu* viewMenu();
    // The drop-down of the quick-message button (created on first use).
    QMenu* quickMessageEditMenu();

    // A command's worker starts: false (and nothing changes) when that worker runs already.
    // While any runs the view, toolbar and reply box show the busy cursor.
    bool beginWork(ConversationHost::Command command);
    void endWork(ConversationHost::Command command);
    bool isWorking() const { return !m_working.isEmpty(); }

    // The partner's status changed: the window's icon shows it.
    void setStatusImage(int image);

    // Timer_Clear: tests shorten it.
    const QTimer& clearTimer() const { return m_clearTimer; }
    void setClearInterval(int ms) { m_clearTimer.setInterval(ms); }
    void stopClearTimer() { m_clearTimer.stop(); }

    // "Сохранить": writes the view as RTF; false (after an error box) on failure.
    bool saveView(const QString& path);
    // "Очистить лог" after the question; false (after an error box) when the file stays.
    bool deleteHistory();
    // Writes the window's placement and reply height to its settings file.
    void saveState();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildToolBar();
    void buildMenus();
    void restoreState();
    void applyFont(const QFont& font);
    static void markLinks(QTextDocument* document, int start, const QString& text);
    bool handleWindowKey(QKeyEvent* event);
    bool handleViewKey(QKeyEvent* event);
    bool handleDrop(QObject* watched, QEvent* event);
    void sendReply();
    void enforceReplyLimit();
    void retypeFirstLine();
    void updateContactMenu();
    void updateViewMenu();
    void runCommand(ConversationHost::Command command);
    void chooseFiles();
    void saveAs();
    void openHistory();
    void askDeleteHistory();
    void chooseFont();
    void focusReply();
    void setBusyCursor(bool busy);

    QString m_target;
    ConversationHost& m_host;
    std::unique_ptr<PopupSettingsFile> m_conf;
    QTextBrowser* m_view = nullptr;
    QToolBar* m_toolBar = nullptr;
    QToolButton* m_netNameButton = nullptr;
    QToolButton* m_speedMessagesButton = nullptr;
    QToolButton* m_smileyButton = nullptr;
    QToolButton* m_clearButton = nullptr;
    QSplitter* m_splitter = nullptr;
    QPlainTextEdit* m_reply = nullptr;
    QMenu* m_contactMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_quickEditMenu = nullptr;
    QHash<QString, QAction*> m_actions;
    QTimer m_clearTimer;
    QStringList m_filesList;
    QSet<int> m_working;
    int m_replyLimit = MaxReplyLength;
    bool m_limiting = false;
};

} // namespace vantrel
