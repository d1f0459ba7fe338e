#include "shell/quickmessageeditmenu.h"

#include "shell/quickmessages.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace vantrel {

QuickMessageEditMenu::QuickMessageEditMenu(QuickMessages& messages, Settings& settings,
                                           QPlainTextEdit* replyBox, QWidget* parent)
    : QMenu(parent)
    , m_messages(messages)
    , m_settings(settings)
    , m_reply(replyBox)
{
    m_addAction = addAction(u"Добавить"_s);
    m_deleteAction = addAction(u"Удалить"_s);
    addSeparator();
    m_editAction = addAction(u"Редактировать список..."_s);
    connect(m_addAction, &QAction::triggered, this, [this] { addFromReply(); });
    connect(m_deleteAction, &QAction::triggered, this, [this] { deleteFromReply(); });
    connect(m_editAction, &QAction::triggered, this, [this] { editList(); });
}

bool QuickMessageEditMenu::addFromReply()
{
    const bool changed = m_reply && m_messages.addFirstLine(m_reply->toPlainText());
    focusReply();
    return changed;
}

bool QuickMessageEditMenu::deleteFromReply()
{
    const bool changed = m_reply && m_messages.deleteFirstLine(m_reply->toPlainText());
    focusReply();
    return changed;
}

bool QuickMessageEditMenu::editList()
{
    ListEditDialog dialog(m_messages.items(), m_settings, m_input, parentWidget());
    Q_EMIT listEditorOpened(&dialog);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted)
        m_messages.setItems(dialog.items());
    focusReply();
    return accepted;
}

void QuickMessageEditMenu::focusReply()
{
    if (m_reply)
        m_reply->setFocus();
}

} // namespace vantrel
