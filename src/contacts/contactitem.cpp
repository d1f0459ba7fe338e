#include "contacts/contactitem.h"

namespace vantrel {

ContactItem ContactItem::fromLine(QStringView line)
{
    ContactItem item;
    if (isGroupText(line)) {
        // A group line carries no other fields, even when its name holds a ";".
        item.compName = line.toString();
        item.nick = item.compName;
        return item;
    }
    const qsizetype first = line.indexOf(u';');
    if (first < 0) {
        item.compName = line.toString();
        item.nick = item.compName;
        return item;
    }
    item.compName = line.first(first).toString();
    QStringView rest = line.sliced(first + 1);
    const qsizetype second = rest.indexOf(u';');
    if (second < 0) {
        item.nick = rest.toString();
        return item;
    }
    item.nick = rest.first(second).toString();
    rest = rest.sliced(second + 1);
    const qsizetype third = rest.indexOf(u';');
    if (third < 0) {
        item.ip = rest.toString();
        return item;
    }
    item.ip = rest.first(third).toString();
    item.refIp = rest.sliced(third + 1).toString();
    return item;
}

bool ContactItem::isGroupText(QStringView text)
{
    return !text.isEmpty() && text.front() == u'[' && text.back() == u']';
}

QString ContactItem::groupName(QStringView text)
{
    if (!isGroupText(text))
        return text.toString();
    return text.sliced(1, text.size() - 2).toString();
}

QString ContactItem::displayText(QStringView line)
{
    return isGroupText(line) ? groupName(line) : fromLine(line).nick;
}

} // namespace vantrel
