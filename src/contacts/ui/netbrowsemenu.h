#pragma once

#include <QMenu>
#include <QStringList>

namespace vantrel {

// `PopupMenu_NetBrowse`, behind the label "Сетевое имя" above the recipient field:
// "Сетевые группы" holds "ВСЯ СЕТЬ", a separator and one item per work group (this system has
// none), and "Обзор компьютеров..." opens the browse-for-computer dialog. Both are shown only
// while the recipient field is enabled (no box of the tree is ticked).
class NetBrowseMenu final : public QMenu {
    Q_OBJECT
public:
    explicit NetBrowseMenu(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(NetBrowseMenu)

    void setNetworkGroups(const QStringList& groups);
    // Called as the menu opens.
    void setFieldEnabled(bool enabled);

    QAction* groupsItem() const { return m_groupsItem; }
    QAction* allNetworkItem() const { return m_allNet; }
    QAction* browseItem() const { return m_browse; }
    QMenu* groupsMenu() const { return m_groups; }

Q_SIGNALS:
    // "<ВСЯ СЕТЬ>", or a work group's name followed by "*".
    void recipientChosen(const QString& text);
    void browseRequested();

private:
    QMenu* m_groups = nullptr;
    QAction* m_groupsItem = nullptr;
    QAction* m_allNet = nullptr;
    QAction* m_browse = nullptr;
    QList<QAction*> m_groupItems;
};

} // namespace vantrel
