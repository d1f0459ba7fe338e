#include "shell/answeringmenu.h"

#include "shell/answeringdialog.h"
#include "shell/awaytexts.h"

using namespace Qt::StringLiterals;

namespace vantrel {

AnsweringMenu::AnsweringMenu(AwayTexts& texts, Settings& settings, QWidget* parent)
    : QMenu(parent)
    , m_texts(texts)
    , m_settings(settings)
    , m_icon(u":/icons/quick-messages.svg"_s)
{
    setObjectName(u"PopupMenu_Answering"_s);
    m_edit = new QAction(u"Редактировать список..."_s, this);
    m_edit->setObjectName(u"PM_AnsweringEdit"_s);
    connect(m_edit, &QAction::triggered, this, [this] { editList(); });
    connect(&m_texts, &AwayTexts::listChanged, this, &AnsweringMenu::rebuild);
    rebuild();
}

void AnsweringMenu::rebuild()
{
    // Every item but the fixed last one goes; the texts, then a separator, go before it.
    for (QAction* action : actions()) {
        if (action != m_edit) {
            removeAction(action);
            if (action->parent() == this)
                delete action;
        }
    }
    if (!actions().contains(m_edit))
        addAction(m_edit);
    QAction* separator = new QAction(this);
    separator->setSeparator(true);
    insertAction(m_edit, separator);
    for (const QString& text : m_texts.items()) {
        // The caption is taken literally: an '&' in an away text is no accelerator.
        auto* item = new QAction(m_icon, QString(text).replace(u'&', u"&&"_s), this);
        connect(item, &QAction::triggered, this, [this, text] { m_texts.setText(text); });
        insertAction(separator, item);
    }
}

bool AnsweringMenu::editList()
{
    AnsweringDialog dialog(m_texts, m_settings, parentWidget());
    Q_EMIT editorOpened(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace vantrel
