#include "contacts/recipientchoice.h"

#include "contacts/contactlist.h"
#include "settings/settings.h"

using namespace Qt::StringLiterals;

namespace vantrel {

RecipientChoice::RecipientChoice(ContactList& list, Settings& settings, ContactListHost& host,
                                 QObject* parent)
    : QObject(parent)
    , m_contactList(list)
    , m_settings(settings)
    , m_host(host)
    , m_list(list.snapshot())
    , m_checked(m_list->count(), false)
{
    connect(&list, &ContactList::rebuilt, this, &RecipientChoice::onRebuilt);
    connect(&list, &ContactList::selectionRequested, this, &RecipientChoice::onSelectionRequested);
    // Same nodes, new addresses: the ticks and the selection stay; sends and the reachability
    // marks must come from the snapshot in place.
    connect(&list, &ContactList::addressesChanged, this, [this] { m_list = m_contactList.snapshot(); });
}

void RecipientChoice::onRebuilt()
{
    // A rebuild resets every mark: the new list starts with nothing ticked.
    const QString text = m_fieldText;
    m_list = m_contactList.snapshot();
    m_checked = QList<bool>(m_list->count(), false);
    m_fChecked = false;
    m_selectedNode = -1;
    m_itemIndex = -1;
    m_fieldText = text;
    m_fieldEnabled = true;
    Q_EMIT listChanged();
    Q_EMIT checksChanged();
    Q_EMIT selectionChanged(-1);
    Q_EMIT fieldChanged();
}

void RecipientChoice::onSelectionRequested(int index)
{
    if (m_list->generation() != m_contactList.snapshot()->generation())
        onRebuilt();
    setItemIndex(index);
}

bool RecipientChoice::isChecked(int index) const
{
    return inRange(index) && m_checked.at(index);
}

void RecipientChoice::setChecked(int index, bool checked)
{
    if (!inRange(index) || m_checked.at(index) == checked)
        return;
    m_checked[index] = checked;
    Q_EMIT checksChanged();
}

void RecipientChoice::tickSubtree(int index, bool checked)
{
    const auto end = m_list->tree().subtreeEnd(index);
    for (auto i = index + 1; i < end; ++i)
        m_checked[i] = checked;
}

bool RecipientChoice::anyChecked() const
{
    return m_checked.contains(true);
}

void RecipientChoice::R_TreeViewCheck()
{
    const int node = m_selectedNode;
    if (!inRange(node))
        return;
    if (m_list->IsGroup(node)) {
        tickSubtree(node, m_checked.at(node));
    } else if (!m_checked.at(node)) {
        const int parent = m_list->tree().node(node).parent;
        if (parent >= 0 && m_list->IsGroup(parent))
            m_checked[parent] = false;
    }
    showChecks();
}

void RecipientChoice::showChecks()
{
    const ContactTree& tree = m_list->tree();
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (m_checked.at(i) && !tree.hasChildren(i))
            names.append(m_list->displayText(i));
    }
    m_fChecked = anyChecked();
    Q_EMIT checksChanged();
    if (m_fChecked)
        setField(m_itemIndex, names.join(u';'), false);
    else if (inRange(m_selectedNode))
        setField(m_selectedNode, m_list->displayName(m_selectedNode), true);
    else
        setField(m_itemIndex, m_fieldText, true);
}

void RecipientChoice::selectAll()
{
    m_checked.fill(true);
    showChecks();
}

void RecipientChoice::deselectAll()
{
    m_checked.fill(false);
    showChecks();
}

void RecipientChoice::setSelection(int index)
{
    const int node = inRange(index) ? index : -1;
    if (node == m_selectedNode)
        return;
    m_selectedNode = node;
    Q_EMIT selectionChanged(node);
}

void RecipientChoice::setField(int itemIndex, const QString& text, bool enabled)
{
    const int item = inRange(itemIndex) ? itemIndex : -1;
    const QString limited = text.left(MaxTextLength);
    if (item == m_itemIndex && limited == m_fieldText && enabled == m_fieldEnabled)
        return;
    m_itemIndex = item;
    m_fieldText = limited;
    m_fieldEnabled = enabled;
    Q_EMIT fieldChanged();
}

void RecipientChoice::selectNode(int index)
{
    setSelection(index);
    if (!m_fChecked && m_fieldEnabled && inRange(index))
        setField(index, m_list->displayName(index), true);
}

void RecipientChoice::setItemIndex(int index)
{
    if (!inRange(index)) {
        setSelection(-1);
        setField(-1, m_fieldText, m_fieldEnabled);
        return;
    }
    setSelection(index);
    setField(index, m_list->displayName(index), m_fieldEnabled);
}

void RecipientChoice::setTypedText(const QString& text)
{
    setField(-1, text, m_fieldEnabled);
    setSelection(-1);
}

void RecipientChoice::leaveField(bool treeHasFocus)
{
    if (!m_fieldEnabled)
        return;
    const int index = m_list->MyGetIndex(m_fieldText);
    if (index >= 0) {
        setField(index, m_list->displayName(index), true);
        if (!treeHasFocus)
            setSelection(index);
    } else if (!treeHasFocus) {
        setSelection(-1);
    }
}

void RecipientChoice::error(const QString& text)
{
    m_host.showBalloon(u"Vantrel"_s, text, ContactListHost::BalloonLevel::Error);
}

MessageSender::Recipients RecipientChoice::GetAdressList()
{
    MessageSender::Recipients recipients;
    if (!inRange(m_itemIndex))
        return recipients;
    const bool sendByIp = m_contactList.sendByIp();
    const auto usable = [this](int i) {
        const int image = m_list->imageIndex(i);
        return image != ContactListSnapshot::Group && image != ContactListSnapshot::Unreachable;
    };
    if (m_fChecked) {
        const bool untick = m_settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.value();
        QStringList names;
        bool unticked = false;
        for (int i = 0; i < count(); ++i) {
            if (!m_checked.at(i))
                continue;
            if (usable(i)) {
                recipients.addresses.append(m_list->GetIPFromList(i, sendByIp));
                names.append(m_list->displayText(i));
            }
            if (untick) {
                m_checked[i] = false;
                unticked = true;
            }
        }
        recipients.displayText = names.join(u", "_s);
        if (unticked)
            Q_EMIT checksChanged();
        if (recipients.addresses.isEmpty())
            error(u"Нет доступных пользователей!"_s);
        return recipients;
    }
    if (inRange(m_selectedNode) && m_list->IsGroup(m_selectedNode)) {
        const QList<int> members = m_list->tree().children(m_selectedNode);
        recipients.displayText = m_list->displayText(m_selectedNode);
        if (members.isEmpty()) {
            error(u"Данная группа не содержит пользователей!"_s);
            return recipients;
        }
        for (const int member : members) {
            if (usable(member))
                recipients.addresses.append(m_list->GetIPFromList(member, sendByIp));
        }
        return recipients;
    }
    recipients.displayText = m_fieldText;
    recipients.addresses.append(m_list->GetIPFromList(m_itemIndex, sendByIp));
    return recipients;
}

void RecipientChoice::R_Answer(const QString& name)
{
    const int index = m_list->MyGetIndex(name);
    if (index < 0) {
        setSelection(-1);
        setField(-1, name, m_fieldEnabled);
        return;
    }
    setItemIndex(index);
}

void RecipientChoice::messageHandled()
{
    if (m_settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.value() && m_fChecked)
        deselectAll();
}

QString RecipientChoice::storedText() const
{
    if (!m_fChecked)
        return m_fieldText;
    return inRange(m_selectedNode) ? m_list->displayText(m_selectedNode) : QString();
}

int RecipientChoice::storedItemIndex() const
{
    if (inRange(m_itemIndex))
        return m_itemIndex;
    return m_fChecked ? m_selectedNode : m_list->MyGetIndex(m_fieldText);
}

void RecipientChoice::restore(const QString& text, int itemIndex)
{
    setField(-1, text, true);
    if (count() == 0)
        return;
    setItemIndex(inRange(itemIndex) ? itemIndex : 0);
}

} // namespace vantrel
