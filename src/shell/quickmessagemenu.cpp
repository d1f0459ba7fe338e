#include "shell/quickmessagemenu.h"

#include "shell/quickmessages.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

// The icons are compiled into a static library: register them before first use.
static QIcon quickMessageIcon()
{
    Q_INIT_RESOURCE(icons);
    return QIcon(u":/icons/quick-messages.svg"_s);
}

namespace vantrel {

QuickMessageMenu::QuickMessageMenu(QuickMessages& messages, QWidget* parent)
    : QMenu(parent)
    , m_messages(messages)
    , m_icon(quickMessageIcon())
{
    connect(&m_messages, &QuickMessages::listChanged, this, &QuickMessageMenu::rebuild);
    rebuild();
}

void QuickMessageMenu::setTarget(QPlainTextEdit* replyBox)
{
    m_target = replyBox;
}

void QuickMessageMenu::popupFor(QPlainTextEdit* replyBox, const QPoint& globalPos)
{
    setTarget(replyBox);
    popup(globalPos);
}

void QuickMessageMenu::setItemIcon(const QIcon& icon)
{
    m_icon = icon;
    rebuild();
}

void QuickMessageMenu::rebuild()
{
    clear();
    const QStringList items = m_messages.items();
    if (items.isEmpty()) {
        QAction* empty = addAction(m_icon, u"(Пусто)"_s);
        empty->setEnabled(false);
        return;
    }
    for (const QString& item : items) {
        // The caption is taken literally: an '&' in a quick message is no accelerator.
        QAction* action = addAction(m_icon, QString(item).replace(u'&', u"&&"_s));
        connect(action, &QAction::triggered, this, [this, item] { choose(item); });
    }
}

void QuickMessageMenu::choose(const QString& text)
{
    if (m_target) {
        m_target->setPlainText(text);
        m_target->moveCursor(QTextCursor::End);
        m_target->setFocus();
    }
    Q_EMIT messageChosen(text);
}

} // namespace vantrel
