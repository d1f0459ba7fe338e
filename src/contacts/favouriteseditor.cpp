#include "contacts/favouriteseditor.h"

#include "contacts/contactitem.h"
#include "contacts/contactlist.h"
#include "contacts/contactlisthost.h"

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

const QString NoAddress = u"0.0.0.0"_s;

QString addressText(const QString& ip)
{
    const QString trimmed = ip.trimmed();
    return trimmed == NoAddress ? QString() : trimmed;
}

bool equalNames(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString FavouritesEditor::forbiddenCharsText()
{
    return u"Имя не должно содержать специальных символов ; [ ]"_s;
}

bool FavouritesEditor::hasForbiddenChars(QStringView text)
{
    for (const QChar c : text) {
        if (isForbiddenChar(c) || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

FavouritesEditor::FavouritesEditor(ContactList& list, ContactListHost& host)
    : m_list(list)
    , m_host(host)
{}

bool FavouritesEditor::refuseName(const QString& text)
{
    if (!hasForbiddenChars(text))
        return false;
    m_host.showBalloon(u"Vantrel"_s, forbiddenCharsText(), ContactListHost::BalloonLevel::Error);
    return true;
}

bool FavouritesEditor::apply(int index, const Fields& fields)
{
    const auto snapshot = m_list.snapshot();
    if (index < 0 || index >= snapshot->count())
        return false;
    const QString netName = fields.netName.trimmed();
    if (netName.isEmpty())
        return false;
    QString nick = fields.nick.trimmed();
    ContactTree tree = snapshot->tree();
    if (snapshot->IsGroup(index)) {
        // An emptied group name keeps the old one: the computer name of a group is its
        // bracketed text, which would nest the brackets.
        if (nick.isEmpty())
            nick = ContactItem::groupName(snapshot->lineText(index));
        if (refuseName(nick))
            return false;
        tree.setText(index, u'[' + nick + u']');
    } else {
        if (nick.isEmpty())
            nick = netName;
        const QString ip = addressText(fields.ip);
        if (refuseName(netName) || refuseName(nick) || refuseName(ip))
            return false;
        tree.setText(index, netName + u';' + nick + u';' + ip + u';' + (fields.autoIp ? u'1' : u'0'));
    }
    return m_list.replaceTree(tree, index);
}

FavouritesEditor::Result FavouritesEditor::addContact(int selected, const QString& netName,
                                                      const QString& nick, const QString& ip)
{
    const QString name = netName.trimmed();
    QString display = nick.trimmed();
    if (display.isEmpty())
        display = name;
    if (name.isEmpty() || refuseName(name) || refuseName(display))
        return {};
    const auto snapshot = m_list.snapshot();
    for (int i = 0; i < snapshot->count(); ++i) {
        if (equalNames(snapshot->compName(i), name) || equalNames(snapshot->displayText(i), display))
            return {Outcome::Duplicate, i};
    }
    const QString address = addressText(ip);
    if (refuseName(address))
        return {};

    ContactTree tree = snapshot->tree();
    qsizetype position = tree.size();
    int level = 0;
    if (selected >= 0 && selected < snapshot->count()) {
        const ContactTree::Node& node = tree.node(selected);
        if (snapshot->IsGroup(selected)) {
            position = tree.subtreeEnd(selected);
            level = node.level + 1;
        } else if (node.parent >= 0) {
            position = tree.subtreeEnd(node.parent);
            level = node.level;
        }
    }
    if (!tree.insertNode(position, level, name + u';' + display + u';' + address))
        return {};
    if (!m_list.replaceTree(tree, int(position)))
        return {};
    return {Outcome::Added, int(position)};
}

FavouritesEditor::Result FavouritesEditor::addGroup(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || refuseName(trimmed))
        return {};
    const auto snapshot = m_list.snapshot();
    for (int i = 0; i < snapshot->count(); ++i) {
        if (equalNames(snapshot->displayText(i), trimmed))
            return {Outcome::Duplicate, i};
    }
    ContactTree tree = snapshot->tree();
    tree.appendTopLevel(u'[' + trimmed.toUpper() + u']');
    const int index = int(tree.size()) - 1;
    if (!m_list.replaceTree(tree, index))
        return {};
    return {Outcome::Added, index};
}

bool FavouritesEditor::remove(int index)
{
    const auto snapshot = m_list.snapshot();
    if (index < 0 || index >= snapshot->count())
        return false;
    const ContactTree& current = snapshot->tree();
    if (snapshot->IsGroup(index) && current.hasChildren(index)) {
        const QString group = snapshot->displayText(index).toUpper();
        if (!m_host.askYesNo(u"Удаление группы"_s, u"Это действие удалит ВСЕХ пользователей группы.\r\n"
                                                   u"Вы действительно хотите удалить группу \""_s +
                                                       group + u"\"?"_s))
            return false;
    }
    ContactTree tree = current;
    tree.removeSubtree(index);
    return m_list.replaceTree(tree, index);
}

bool FavouritesEditor::canDrop(int dragged, int target) const
{
    const auto snapshot = m_list.snapshot();
    const int n = snapshot->count();
    if (dragged < 0 || dragged >= n || target < 0 || target >= n || dragged == target)
        return false;
    const bool targetIsMember = snapshot->tree().node(target).parent >= 0;
    return !(snapshot->IsGroup(dragged) && targetIsMember);
}

bool FavouritesEditor::drop(int dragged, int target, bool ctrlHeld)
{
    if (!canDrop(dragged, target))
        return false;
    const auto snapshot = m_list.snapshot();
    ContactTree tree = snapshot->tree();
    const ContactTree::Node targetNode = tree.node(target);
    const bool attach = snapshot->IsGroup(target) && !snapshot->IsGroup(dragged) && !ctrlHeld;
    qsizetype moved = -1;
    if (attach) {
        if (!tree.moveSubtree(dragged, tree.subtreeEnd(target), targetNode.level + 1, &moved))
            return false;
        const qsizetype size = snapshot->tree().subtreeEnd(dragged) - dragged;
        const int group = dragged < target ? int(target - size) : target;
        return m_list.replaceTree(tree, group);
    }
    if (!tree.moveSubtree(dragged, target, targetNode.level, &moved))
        return false;
    return m_list.replaceTree(tree, int(moved));
}

} // namespace vantrel
