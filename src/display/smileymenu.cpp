#include "display/smileymenu.h"

#include "display/smileyimages.h"
#include "display/smileytable.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QToolButton>
#include <QWidgetAction>

using namespace Qt::StringLiterals;

namespace vantrel {

SmileyMenu::SmileyMenu(const SmileyImages& images, QWidget* parent)
    : QMenu(parent)
{
    setObjectName(u"PopupMenu_Sm"_s);
    // A menu cannot be told where to break into columns, so the items are laid out as
    // buttons in a grid inside the menu.
    auto* grid = new QWidget(this);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(0);
    const QStringList& captions = SmileyTable::builtinCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        auto* action = new QAction(QIcon(QPixmap::fromImage(images.builtinImage(i))), captions[i], this);
        action->setObjectName(u"PM_Sm"_s + QString::number(i));
        action->setIconVisibleInMenu(true);
        m_actions.append(action);
        connect(action, &QAction::triggered, this, [this, i, action] {
            const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
            close();
            Q_EMIT triggered(action);
            Q_EMIT smileyChosen(i, action->text(), modifiers);
        });

        auto* button = new QToolButton(grid);
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setIconSize(QSize(SmileyImages::BuiltinWidth, SmileyImages::BuiltinHeight));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(button, i % PerColumn, i / PerColumn);
    }
    auto* holder = new QWidgetAction(this);
    holder->setDefaultWidget(grid);
    addAction(holder);
}

SmileyMenu::~SmileyMenu() = default;

} // namespace vantrel
