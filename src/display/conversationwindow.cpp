#include "display/conversationwindow.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

ConversationWindow::ConversationWindow(const QString& contact, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_contact(contact)
{
    setObjectName(u"fmVTLPopup"_s);
    setWindowTitle(contact);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    m_view = new QTextBrowser(splitter);
    m_view->setObjectName(u"RichEdit_History"_s);
    m_view->setOpenExternalLinks(true);
    m_reply = new QPlainTextEdit(splitter);
    m_reply->setObjectName(u"Memo_Message"_s);
    m_reply->setTabChangesFocus(true);
    m_reply->installEventFilter(this);
    splitter->addWidget(m_view);
    splitter->addWidget(m_reply);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter);
    resize(420, 360);
    m_reply->setFocus();
}

void ConversationWindow::addLine(const QString& text, quint32 rgb, bool bold)
{
    QTextCursor cursor(m_view->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(QColor::fromRgb(static_cast<QRgb>(rgb)));
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!m_view->document()->isEmpty())
        cursor.insertBlock();
    QString normalized = text;
    normalized.replace(u"\r\n"_s, u"\n"_s);
    cursor.insertText(normalized, format);
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

QString ConversationWindow::viewText() const
{
    return m_view->toPlainText();
}

void ConversationWindow::sendReply()
{
    const QString text = m_reply->toPlainText();
    if (text.trimmed().isEmpty())
        return;
    Q_EMIT sendRequested(m_contact, text);
    m_reply->clear();
    m_reply->setFocus();
}

bool ConversationWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_reply && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ControlModifier) {
                m_reply->insertPlainText(u"\n"_s);
            } else {
                sendReply();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ConversationWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vantrel
