#pragma once

#include <QList>
#include <QString>

namespace vantrel {

// The master tree of the contact list: the raw line texts in pre-order, each with its depth
// and parent. A node's absolute index is its position in pre-order, which is also the index
// of its row in every contact table and display tree. Its children are the nodes that follow
// it with it as their parent; its subtree ends at the next node of its own level or above.
//
// A plain value type (implicitly shared list); copies are cheap until one is changed.
class ContactTree final {
public:
    struct Node {
        QString text; // the line without its indentation
        int level = 0;
        int parent = -1; // absolute index, -1 at the top level
    };

    qsizetype size() const { return m_nodes.size(); }
    bool isEmpty() const { return m_nodes.isEmpty(); }
    const Node& node(qsizetype index) const { return m_nodes.at(index); }
    const QList<Node>& nodes() const { return m_nodes; }

    // One past the last node of the subtree rooted at index.
    qsizetype subtreeEnd(qsizetype index) const;
    bool hasChildren(qsizetype index) const;
    QList<int> children(qsizetype index) const;

    // Adds a line read from a file with `indent` leading TABs or blanks. The first node is
    // always top-level; a line of the previous node's level becomes its next sibling, one
    // level deeper its first child, a lower level the next sibling of the ancestor at that
    // level. A line more than one level deeper than the previous node is refused (false) and
    // the tree is left as it was.
    bool appendLine(int indent, const QString& text);
    // Adds a node as the new last top-level node.
    void appendTopLevel(const QString& text);
    // Removes a node with its whole subtree.
    void removeSubtree(qsizetype index);
    // Replaces the line text of a node; its place in the tree stays.
    void setText(qsizetype index, const QString& text) { m_nodes[index].text = text; }
    // Inserts a node before `position` (size() appends) at `level`, which may be at most one
    // deeper than the node before it and must be 0 at position 0; false (tree unchanged)
    // otherwise. Nodes from `position` on that sat deeper than `level` become its children.
    bool insertNode(qsizetype position, int level, const QString& text);
    // Moves the subtree rooted at `index` so that it starts right before the node `before`
    // (size() moves it to the end), with its root at `level` and its members at the same depth
    // below it. Refused (false, tree unchanged) when `before` lies inside the subtree or the
    // level does not fit there. On success `*newIndex` is the root's new index.
    bool moveSubtree(qsizetype index, qsizetype before, int level, qsizetype* newIndex = nullptr);

    friend bool operator==(const ContactTree& a, const ContactTree& b);

private:
    // Sets every parent from the levels; false when a level jumps more than one deeper.
    static bool linkParents(QList<Node>& nodes);

    QList<Node> m_nodes;
};

bool operator==(const ContactTree::Node& a, const ContactTree::Node& b);

} // namespace vantrel
