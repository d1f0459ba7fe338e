#include "contacts/contactlistsnapshot.h"

#include "contacts/contactitem.h"

#include <algorithm>

namespace vantrel {

ContactListSnapshot::ContactListSnapshot(ContactTree tree, quint64 generation)
    : m_tree(std::move(tree))
    , m_generation(generation)
{
    const qsizetype n = m_tree.size();
    m_compNames.reserve(n);
    m_nicks.reserve(n);
    m_ips.reserve(n);
    m_refIps.reserve(n);
    m_nickIndex.reserve(n);
    m_compIndex.reserve(n);
    m_images = std::make_unique<std::atomic<int>[]>(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        const QString& text = m_tree.node(i).text;
        ContactItem item = ContactItem::fromLine(text);
        m_compNames.append(std::move(item.compName));
        m_nicks.append(std::move(item.nick));
        m_ips.append(std::move(item.ip));
        m_refIps.append(std::move(item.refIp));
        m_images[static_cast<size_t>(i)].store(ContactItem::isGroupText(text) ? Group : Online,
                                               std::memory_order_relaxed);
    }
    // Backwards, so that a name that appears again leaves the index of its first appearance.
    for (int i = int(n) - 1; i >= 0; --i) {
        m_nickIndex.insert(m_nicks.at(i).toCaseFolded(), i);
        m_compIndex.insert(m_compNames.at(i).toCaseFolded(), i);
        if (!m_ips.at(i).isEmpty())
            m_ipIndex.insert(m_ips.at(i), i);
    }
}

QString ContactListSnapshot::compName(int index) const
{
    return inRange(index) ? m_compNames.at(index) : QString();
}

QString ContactListSnapshot::displayName(int index) const
{
    return inRange(index) ? m_nicks.at(index) : QString();
}

QString ContactListSnapshot::ip(int index) const
{
    return inRange(index) ? m_ips.at(index) : QString();
}

QString ContactListSnapshot::refIp(int index) const
{
    return inRange(index) ? m_refIps.at(index) : QString();
}

QString ContactListSnapshot::displayText(int index) const
{
    return inRange(index) ? ContactItem::displayText(m_tree.node(index).text) : QString();
}

QString ContactListSnapshot::lineText(int index) const
{
    return inRange(index) ? m_tree.node(index).text : QString();
}

QString ContactListSnapshot::MyGetComp(const QString& nick) const
{
    const int index = MyGetIndex(nick);
    return index >= 0 ? m_compNames.at(index) : nick;
}

QString ContactListSnapshot::MyGetNick(const QString& name) const
{
    const int byName = m_compIndex.value(name.toCaseFolded(), -1);
    const int byIp = name.isEmpty() ? -1 : m_ipIndex.value(name, -1);
    int index = byName;
    if (byIp >= 0 && (index < 0 || byIp < index))
        index = byIp;
    return index >= 0 ? m_nicks.at(index) : name;
}

int ContactListSnapshot::MyGetIndex(const QString& nick) const
{
    return m_nickIndex.value(nick.toCaseFolded(), -1);
}

QString ContactListSnapshot::GetIPFromList(int index, bool sendByIp) const
{
    if (!inRange(index))
        return {};
    if (sendByIp && !m_ips.at(index).isEmpty())
        return m_ips.at(index);
    return m_compNames.at(index);
}

bool ContactListSnapshot::IsGroup(int index) const
{
    return imageIndex(index) == Group;
}

int ContactListSnapshot::indexOfNameOrNick(const QString& name) const
{
    const QString folded = name.toCaseFolded();
    const int byNick = m_nickIndex.value(folded, -1);
    const int byName = m_compIndex.value(folded, -1);
    if (byNick < 0)
        return byName;
    return byName < 0 ? byNick : std::min(byNick, byName);
}

int ContactListSnapshot::lastIndexOfNick(const QString& nick) const
{
    const QString folded = nick.toCaseFolded();
    for (int i = count() - 1; i >= 0; --i) {
        if (m_nicks.at(i).toCaseFolded() == folded)
            return i;
    }
    return -1;
}

int ContactListSnapshot::imageIndex(int index) const
{
    return inRange(index) ? m_images[static_cast<size_t>(index)].load(std::memory_order_relaxed) : -1;
}

bool ContactListSnapshot::setImageIndex(int index, int image) const
{
    if (!inRange(index) || image < Online || image > Group)
        return false;
    m_images[static_cast<size_t>(index)].store(image, std::memory_order_relaxed);
    return true;
}

} // namespace vantrel
