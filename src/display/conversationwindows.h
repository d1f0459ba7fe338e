#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

namespace vantrel {

class ConversationHost;
class ConversationWindow;

// Every conversation window of the program, one per target (targets compared ignoring case),
// created on first need and kept until the program ends, and the list of windows that wait
// for the user while the tray icon blinks (TL_PopupForms).
class ConversationWindows final : public QObject {
    Q_OBJECT
public:
    explicit ConversationWindows(ConversationHost& host, QObject* parent = nullptr);
    ~ConversationWindows() override;
    Q_DISABLE_COPY_MOVE(ConversationWindows)

    // The target's window, or nullptr.
    ConversationWindow* find(const QString& target) const;
    // The target's window, created hidden when there is none.
    ConversationWindow& window(const QString& target);
    const QList<ConversationWindow*>& windows() const { return m_windows; }

    // Opens the target's window (flash false) or announces it (flash true): a hidden window
    // waits in the pending list, a visible one in the background is alerted. A blank target
    // has no window: nullptr.
    ConversationWindow* ShowPopupForm(const QString& caption, bool flash);
    // ShowPopupForm(caption, true), then the line in the window.
    void ShowPopupMessage(const QString& caption, const QString& text, quint32 rgb);
    // AddFormToList: a window enters the pending list once, never with a blank target.
    void AddFormToList(ConversationWindow* window);

    // The tray's restore: shows the newest waiting window and takes it out of the list.
    // False when none waits.
    bool openNextPending();
    // The targets of the waiting windows, oldest first.
    QStringList pendingTargets() const;

Q_SIGNALS:
    // The tray blinks while windows wait; `next` is the target whose window opens next.
    void pendingChanged(bool waiting, const QString& next);
    // A visible window in the background was alerted instead of queued.
    void alerted(vantrel::ConversationWindow* window);
    void windowCreated(vantrel::ConversationWindow* window);

private:
    void show(ConversationWindow& window);
    void announcePending();

    ConversationHost& m_host;
    QList<ConversationWindow*> m_windows;
    QList<QPointer<ConversationWindow>> m_pending;
};

} // namespace vantrel
