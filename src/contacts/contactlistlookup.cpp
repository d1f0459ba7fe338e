#include "contacts/contactlistlookup.h"

#include "contacts/contactlist.h"

#include <QMetaObject>
#include <QThread>

namespace vantrel {

ContactListLookup::ContactListLookup(ContactList& list)
    : m_list(list)
{}

QString ContactListLookup::nickFor(const QString& nameOrAddress) const
{
    return m_list.MyGetNick(nameOrAddress);
}

int ContactListLookup::indexOf(const QString& name) const
{
    return m_list.MyGetIndex(name);
}

QString ContactListLookup::addressOf(int index) const
{
    return m_list.GetIPFromList(index);
}

void ContactListLookup::addFavorite(const QString& name)
{
    if (QThread::currentThread() == m_list.thread()) {
        m_list.MyAddFavorites(name, ContactList::AddMode::Automatic);
        return;
    }
    ContactList* list = &m_list;
    QMetaObject::invokeMethod(
        list, [list, name] { list->MyAddFavorites(name, ContactList::AddMode::Automatic); },
        Qt::QueuedConnection);
}

} // namespace vantrel
