// The reply box of ConversationWindow: sending, the length limit, retyping, smileys and
// quotes put into it, and its focus.

#include "display/conversationwindow.h"

#include "core/datetimetext.h"
#include "display/smileyimages.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace vantrel {

void ConversationWindow::sendReply()
{
    const QString text = m_reply->toPlainText();
    if (text.trimmed().isEmpty()) {
        m_reply->clear();
        focusReply();
        return;
    }
    m_reply->setEnabled(false);
    MyAddColorLine(m_host.userName() + u" ["_s + TimeText(QTime::currentTime()) + u"]:"_s, Blue, true);
    MyAddColorLine(text, Blue, false);
    m_host.sendMessage(m_target, text);
    m_reply->clear();
    m_reply->setEnabled(true);
    focusReply();
}

void ConversationWindow::enforceReplyLimit()
{
    if (m_limiting)
        return;
    QTextDocument* document = m_reply->document();
    // characterCount() includes the final paragraph separator.
    if (document->characterCount() - 1 <= m_replyLimit)
        return;
    m_limiting = true;
    QTextCursor cursor(document);
    cursor.setPosition(m_replyLimit);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_reply->moveCursor(QTextCursor::End);
    m_limiting = false;
}

void ConversationWindow::retypeFirstLine()
{
    QTextCursor cursor(m_reply->document()->firstBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    const QString retyped = m_host.retype(cursor.selectedText());
    cursor.insertText(retyped);
}

void ConversationWindow::insertSmiley(const QString& text, Qt::KeyboardModifiers modifiers)
{
    m_reply->moveCursor(QTextCursor::End);
    m_reply->insertPlainText(text);
    returnFromSmileys();
    if (modifiers & Qt::ControlModifier)
        sendReply();
}

void ConversationWindow::returnFromSmileys()
{
    if (isVisible()) {
        raise();
        activateWindow();
    }
    focusReply();
}

void ConversationWindow::quoteSelection()
{
    m_reply->setPlainText(m_reply->toPlainText() + u' ' + SmileyImages::selectedText(m_view->textCursor()));
    focusReply();
}

void ConversationWindow::focusReply()
{
    if (m_reply->isEnabled() && m_reply->isVisible())
        m_reply->setFocus();
    m_reply->moveCursor(QTextCursor::End);
}

} // namespace vantrel
