#include "contacts/ui/contacttreedelegate.h"

#include "contacts/contactlistsnapshot.h"

namespace vantrel {

void ContactTreeDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool ticked = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    const int image = index.data(ImageRole).toInt();
    option->font.setBold(ticked || image == ContactListSnapshot::Group);
    option->font.setItalic(ticked);
    QColor text = image == ContactListSnapshot::Unreachable
                      ? option->palette.color(QPalette::Disabled, QPalette::Text)
                      : QColor(Qt::black);
    const bool selected = option->state & QStyle::State_Selected;
    if (option->state & QStyle::State_MouseOver) {
        option->font.setUnderline(true);
        if (!selected)
            text = QColor(0, 0, 255);
    }
    option->palette.setColor(QPalette::Text, text);
    option->palette.setColor(QPalette::WindowText, text);
}

} // namespace vantrel
