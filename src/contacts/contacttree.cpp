#include "contacts/contacttree.h"

namespace vantrel {

qsizetype ContactTree::subtreeEnd(qsizetype index) const
{
    const int level = m_nodes.at(index).level;
    qsizetype end = index + 1;
    while (end < m_nodes.size() && m_nodes.at(end).level > level)
        ++end;
    return end;
}

bool ContactTree::hasChildren(qsizetype index) const
{
    return index + 1 < m_nodes.size() && m_nodes.at(index + 1).parent == index;
}

QList<int> ContactTree::children(qsizetype index) const
{
    QList<int> out;
    qsizetype child = index + 1;
    while (child < m_nodes.size() && m_nodes.at(child).parent == index) {
        out.append(int(child));
        child = subtreeEnd(child);
    }
    return out;
}

bool ContactTree::appendLine(int indent, const QString& text)
{
    if (m_nodes.isEmpty()) {
        m_nodes.append(Node{text, 0, -1});
        return true;
    }
    const qsizetype last = m_nodes.size() - 1;
    const Node& previous = m_nodes.at(last);
    if (indent > previous.level + 1)
        return false;
    if (indent == previous.level + 1) {
        m_nodes.append(Node{text, indent, int(last)});
        return true;
    }
    // Same level or higher: climb from the previous node to the sibling at that level.
    int sibling = int(last);
    while (m_nodes.at(sibling).level > indent)
        sibling = m_nodes.at(sibling).parent;
    const Node& anchor = m_nodes.at(sibling);
    m_nodes.append(Node{text, anchor.level, anchor.parent});
    return true;
}

void ContactTree::appendTopLevel(const QString& text)
{
    m_nodes.append(Node{text, 0, -1});
}

void ContactTree::removeSubtree(qsizetype index)
{
    const qsizetype end = subtreeEnd(index);
    const int removed = int(end - index);
    m_nodes.remove(index, removed);
    // Nodes after the removed block move up; their parents either lie before it (unchanged)
    // or after it (moved up by the same amount).
    for (qsizetype i = index; i < m_nodes.size(); ++i) {
        int& parent = m_nodes[i].parent;
        if (parent >= index)
            parent -= removed;
    }
}

bool ContactTree::linkParents(QList<Node>& nodes)
{
    // The last node seen at each level: a node's parent is the last one a level above it.
    QList<int> lastAt;
    for (qsizetype i = 0; i < nodes.size(); ++i) {
        Node& node = nodes[i];
        if (node.level < 0 || node.level > lastAt.size())
            return false;
        node.parent = node.level == 0 ? -1 : lastAt.at(node.level - 1);
        lastAt.resize(node.level);
        lastAt.append(int(i));
    }
    return true;
}

bool ContactTree::insertNode(qsizetype position, int level, const QString& text)
{
    if (position < 0 || position > m_nodes.size())
        return false;
    QList<Node> nodes = m_nodes;
    nodes.insert(position, Node{text, level, -1});
    if (!linkParents(nodes))
        return false;
    m_nodes = std::move(nodes);
    return true;
}

bool ContactTree::moveSubtree(qsizetype index, qsizetype before, int level, qsizetype* newIndex)
{
    if (index < 0 || index >= m_nodes.size() || before < 0 || before > m_nodes.size())
        return false;
    const qsizetype end = subtreeEnd(index);
    if (before > index && before < end)
        return false;
    QList<Node> block = m_nodes.mid(index, end - index);
    const int shift = level - block.constFirst().level;
    for (Node& node : block)
        node.level += shift;
    QList<Node> nodes = m_nodes;
    nodes.remove(index, end - index);
    const qsizetype at = before >= end ? before - (end - index) : before;
    for (qsizetype i = 0; i < block.size(); ++i)
        nodes.insert(at + i, block.at(i));
    if (!linkParents(nodes))
        return false;
    m_nodes = std::move(nodes);
    if (newIndex)
        *newIndex = at;
    return true;
}

bool operator==(const ContactTree::Node& a, const ContactTree::Node& b)
{
    return a.text == b.text && a.level == b.level && a.parent == b.parent;
}

bool operator==(const ContactTree& a, const ContactTree& b)
{
    return a.m_nodes == b.m_nodes;
}

} // namespace vantrel
