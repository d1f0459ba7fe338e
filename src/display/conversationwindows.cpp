#include "display/conversationwindows.h"

#include "display/conversationwindow.h"

#include <QApplication>

namespace vantrel {

namespace {

// FlashWindowEx's ten flashes 500 ms apart.
constexpr int kAlertMs = 5000;

} // namespace

ConversationWindows::ConversationWindows(ConversationHost& host, QObject* parent)
    : QObject(parent)
    , m_host(host)
{}

ConversationWindows::~ConversationWindows()
{
    qDeleteAll(m_windows);
}

ConversationWindow* ConversationWindows::find(const QString& target) const
{
    const QString wanted = target.toUpper();
    for (ConversationWindow* window : m_windows) {
        if (window->target().toUpper() == wanted)
            return window;
    }
    return nullptr;
}

ConversationWindow& ConversationWindows::window(const QString& target)
{
    if (ConversationWindow* existing = find(target))
        return *existing;
    // Top-level, each with its own task-bar entry.
    auto* created = new ConversationWindow(target, m_host);
    m_windows.append(created);
    Q_EMIT windowCreated(created);
    return *created;
}

ConversationWindow* ConversationWindows::ShowPopupForm(const QString& caption, bool flash)
{
    if (caption.trimmed().isEmpty())
        return nullptr;
    const bool existed = find(caption) != nullptr;
    ConversationWindow& popup = window(caption);
    if (!flash) {
        show(popup);
    } else if (!existed || !popup.isVisible()) {
        AddFormToList(&popup);
        popup.stopClearTimer();
        announcePending();
    } else if (!popup.isActiveWindow()) {
        QApplication::alert(&popup, kAlertMs);
        Q_EMIT alerted(&popup);
    }
    return &popup;
}

void ConversationWindows::ShowPopupMessage(const QString& caption, const QString& text, quint32 rgb)
{
    if (ConversationWindow* popup = ShowPopupForm(caption, true))
        popup->MyAddColorLine(text, rgb, false);
}

void ConversationWindows::AddFormToList(ConversationWindow* window)
{
    if (!window || window->target().trimmed().isEmpty())
        return;
    for (const QPointer<ConversationWindow>& entry : std::as_const(m_pending)) {
        if (entry && entry->target() == window->target())
            return;
    }
    m_pending.append(window);
}

bool ConversationWindows::openNextPending()
{
    while (!m_pending.isEmpty()) {
        const QPointer<ConversationWindow> next = m_pending.takeLast();
        if (!next)
            continue;
        show(*next);
        announcePending();
        return true;
    }
    announcePending();
    return false;
}

QStringList ConversationWindows::pendingTargets() const
{
    QStringList targets;
    for (const QPointer<ConversationWindow>& entry : m_pending) {
        if (entry)
            targets.append(entry->target());
    }
    return targets;
}

void ConversationWindows::show(ConversationWindow& popup)
{
    popup.setWindowState((popup.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    popup.show();
    popup.raise();
    popup.activateWindow();
}

void ConversationWindows::announcePending()
{
    const QStringList targets = pendingTargets();
    Q_EMIT pendingChanged(!targets.isEmpty(), targets.isEmpty() ? QString() : targets.constLast());
}

} // namespace vantrel
