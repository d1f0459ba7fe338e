#pragma once

#include <QStyledItemDelegate>

namespace vantrel {

// Draws the nodes of a contact tree: a ticked node bold and italic, a group bold, an
// unreachable contact in the grey-text colour, others black; the node under the mouse
// underlined and, unless selected, blue.
class ContactTreeDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The node's image index (status mark) is read from this role.
    static constexpr int ImageRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;
    Q_DISABLE_COPY_MOVE(ContactTreeDelegate)

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace vantrel
