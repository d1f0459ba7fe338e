#include "contacts/ui/netbrowsemenu.h"

#include <QStyle>

using namespace Qt::StringLiterals;

namespace vantrel {

NetBrowseMenu::NetBrowseMenu(QWidget* parent)
    : QMenu(parent)
{
    setObjectName(u"PopupMenu_NetBrowse"_s);
    m_groups = new QMenu(u"Сетевые группы"_s, this);
    m_groupsItem = addMenu(m_groups);
    m_groupsItem->setObjectName(u"PM_NetGroup"_s);
    m_allNet = m_groups->addAction(style()->standardIcon(QStyle::SP_DriveNetIcon), u"ВСЯ СЕТЬ"_s);
    m_allNet->setObjectName(u"PM_AllNet"_s);
    m_groups->addSeparator();
    m_browse = addAction(style()->standardIcon(QStyle::SP_ComputerIcon), u"Обзор компьютеров..."_s);
    m_browse->setObjectName(u"PM_CompBrowse"_s);

    connect(m_allNet, &QAction::triggered, this,
            [this] { Q_EMIT recipientChosen(u'<' + m_allNet->text() + u'>'); });
    connect(m_browse, &QAction::triggered, this, &NetBrowseMenu::browseRequested);
}

void NetBrowseMenu::setNetworkGroups(const QStringList& groups)
{
    qDeleteAll(m_groupItems);
    m_groupItems.clear();
    for (const QString& group : groups) {
        QAction* item = m_groups->addAction(style()->standardIcon(QStyle::SP_DirIcon), group);
        connect(item, &QAction::triggered, this, [this, group] { Q_EMIT recipientChosen(group + u'*'); });
        m_groupItems.append(item);
    }
}

void NetBrowseMenu::setFieldEnabled(bool enabled)
{
    m_groupsItem->setVisible(enabled);
    m_browse->setVisible(enabled);
}

} // namespace vantrel
