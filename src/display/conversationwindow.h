#pragma once

#include <QWidget>

class QTextBrowser;
class QPlainTextEdit;

namespace vantrel {

// One partner's conversation: what was said, in colour, and a reply box. Enter sends the
// reply, Ctrl+Enter starts a new line, Esc hides the window.
class ConversationWindow final : public QWidget {
    Q_OBJECT
public:
    explicit ConversationWindow(const QString& contact, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ConversationWindow)

    const QString& contact() const { return m_contact; }
    // Appends one line (which may hold line breaks) at the end and scrolls to it.
    void addLine(const QString& text, quint32 rgb, bool bold);
    QString viewText() const;
    QPlainTextEdit* replyBox() const { return m_reply; }

Q_SIGNALS:
    void sendRequested(const QString& contact, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void sendReply();

    QString m_contact;
    QTextBrowser* m_view = nullptr;
    QPlainTextEdit* m_reply = nullptr;
};

} // namespace vantrel
