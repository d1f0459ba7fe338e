#include "shell/statusmenu.h"

#include <QActionGroup>

using namespace Qt::StringLiterals;

namespace vantrel {

StatusMenu::StatusMenu(QWidget* parent)
    : QMenu(parent)
    , m_group(new QActionGroup(this))
{
    setObjectName(u"PopupMenu_Status"_s);
    m_group->setExclusive(true);
    for (int code = 0; code < 3; ++code) {
        QAction* item = addAction(statusIcon(code), caption(code));
        item->setObjectName(u"PM_Status%1"_s.arg(code));
        item->setCheckable(true);
        item->setData(code);
        m_group->addAction(item);
        connect(item, &QAction::triggered, this, [this, code] { Q_EMIT statusChosen(code); });
    }
    setStatus(0);
}

QString StatusMenu::caption(int code)
{
    switch (code) {
    case 1:
        return u"Отсутствую"_s;
    case 2:
        return u"Не беспокоить"_s;
    default:
        return u"В сети"_s;
    }
}

QIcon StatusMenu::statusIcon(int code)
{
    static constexpr const char16_t* kFiles[] = {u":/icons/status-online.svg", u":/icons/status-away.svg",
                                                 u":/icons/status-dnd.svg"};
    return QIcon(QString::fromUtf16(kFiles[qBound(0, code, 2)]));
}

void StatusMenu::setStatus(int code)
{
    const QList<QAction*> items = m_group->actions();
    if (code >= 0 && code < items.size())
        items.at(code)->setChecked(true);
}

int StatusMenu::status() const
{
    const QAction* checked = m_group->checkedAction();
    return checked ? checked->data().toInt() : 0;
}

} // namespace vantrel
