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

bool operator==(const ContactTree::Node& a, const ContactTree::Node& b)
{
    return a.text == b.text && a.level == b.level && a.parent == b.parent;
}

bool operator==(const ContactTree& a, const ContactTree& b)
{
    return a.m_nodes == b.m_nodes;
}

} // namespace vantrel
