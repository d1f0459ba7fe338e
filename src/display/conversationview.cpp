// The conversation view of ConversationWindow: coloured lines with links and smileys, its
// text, clearing, RTF export and the font.

#include "display/conversationwindow.h"

#include "display/rtfwriter.h"
#include "display/smileyimages.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace vantrel {

void ConversationWindow::MyAddColorLine(const QString& text, quint32 rgb, bool bold)
{
    QTextDocument* document = m_view->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(m_view->font());
    format.setForeground(QColor::fromRgb(static_cast<QRgb>(rgb)));
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!document->isEmpty())
        cursor.insertBlock();
    const int start = cursor.position();
    QString normalized = text;
    normalized.replace(u"\r\n"_s, u"\n"_s);
    normalized.replace(u'\r', u'\n');
    // Line breaks inside the text stay lines of one paragraph.
    normalized.replace(u'\n', QChar::LineSeparator);
    cursor.insertText(normalized, format);
    markLinks(document, start, normalized);
    if (SmileyImages* smileys = m_host.smileys())
        smileys->drawSmileys(document, start, cursor.position());
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    m_view->setTextCursor(end);
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

void ConversationWindow::markLinks(QTextDocument* document, int start, const QString& text)
{
    // Addresses in the text become links, as a rich edit with URL detection shows them.
    static const QRegularExpression link(uR"((?:(?:https?|ftp|file|mailto):|www\.)[^\s<>"]+)"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        QString href = match.captured();
        // Closing punctuation usually ends the sentence, not the address.
        while (!href.isEmpty() && QStringView(u".,;:!?)]}'").contains(href.back()))
            href.chop(1);
        if (href.isEmpty())
            continue;
        QTextCursor range(document);
        range.setPosition(start + static_cast<int>(match.capturedStart()));
        range.setPosition(start + static_cast<int>(match.capturedStart() + href.size()),
                          QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorHref(href.startsWith(u"www."_s, Qt::CaseInsensitive) ? u"http://"_s + href : href);
        anchor.setFontUnderline(true);
        range.mergeCharFormat(anchor);
    }
}

QString ConversationWindow::viewText() const
{
    return m_view->toPlainText();
}

void ConversationWindow::clearView()
{
    m_view->clear();
}

bool ConversationWindow::saveView(const QString& path)
{
    QString error;
    if (RtfWriter::write(*m_view->document(), path, &error))
        return true;
    QMessageBox::critical(this, u"Ошибка"_s, error);
    return false;
}

void ConversationWindow::applyFont(const QFont& font)
{
    m_view->setFont(font);
    m_view->document()->setDefaultFont(font);
    m_reply->setFont(font);
}

} // namespace vantrel
