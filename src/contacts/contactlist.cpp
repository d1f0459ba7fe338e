#include "contacts/contactlist.h"

#include "contacts/contactitem.h"
#include "contacts/contactlistfile.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

const QString Title = u"Vantrel"_s;

QString quoted(const QString& text)
{
    return u"\""_s + text + u"\""_s;
}

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

ContactList::ContactList(Settings& settings, ContactListHost& host, QString personalFile, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_host(host)
    , m_personalFile(std::move(personalFile))
    , m_usersFileName(m_personalFile)
    , m_snapshot(std::make_shared<const Snapshot>())
{
    m_sendByIp.store(m_settings.fmConfig.dxCheckbox_IP_Checked.value());
    connect(&m_settings, &Settings::changed, this, &ContactList::onSettingChanged);
}

ContactList::~ContactList() = default;

std::shared_ptr<const ContactList::Snapshot> ContactList::snapshot() const
{
    QMutexLocker lock(&m_snapshotMutex);
    return m_snapshot;
}

bool ContactList::IsTextGroup(const QString& text)
{
    return ContactItem::isGroupText(text);
}

void ContactList::publish(std::shared_ptr<const Snapshot> snapshot)
{
    {
        QMutexLocker lock(&m_snapshotMutex);
        m_snapshot.swap(snapshot);
    }
    // The old list, now in `snapshot`, is freed here outside the lock unless a reader still
    // holds it.
}

void ContactList::onSettingChanged(const QString& section, const QString& key)
{
    const auto& setting = m_settings.fmConfig.dxCheckbox_IP_Checked;
    if (section == setting.section() && key == setting.key())
        m_sendByIp.store(setting.value(), std::memory_order_relaxed);
}

void ContactList::error(const QString& text)
{
    m_host.showBalloon(Title, text, ContactListHost::BalloonLevel::Error);
}

bool ContactList::isUsersFile(const QString& fileName) const
{
    if (fileName == m_usersFileName)
        return true;
    const QFileInfo a(fileName);
    const QFileInfo b(m_usersFileName);
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

bool ContactList::refuseWhileShared()
{
    if (!m_sharedInUse)
        return false;
    m_lastError = u"the shared contact list is read-only"_s;
    return true;
}

void ContactList::CheckGeneralList()
{
    Q_ASSERT(QThread::currentThread() == thread());
    auto& config = m_settings.fmConfig;
    const QString shared = config.FilenameEdit_General_List_FileName.value();
    const bool wanted = config.CheckBox_General_List_Checked.value();
    const bool inUse = wanted && !shared.isEmpty() && QFileInfo(shared).isFile();
    if (inUse) {
        m_usersFileName = shared;
        // Adding after a send would write the shared list.
        config.dxCheckbox_AutoAddUser_Checked.setValue(false);
    } else {
        m_usersFileName = m_personalFile;
        if (wanted) {
            config.CheckBox_General_List_Checked.setValue(false);
            error(u"Общий список пользователей недоступен.\r\nЗагружен локальный список пользователей."_s);
        }
    }
    if (inUse != m_sharedInUse) {
        m_sharedInUse = inUse;
        Q_EMIT sharedListInUseChanged(inUse);
    }
}

bool ContactList::MyCreateFavList()
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (!QFileInfo::exists(m_usersFileName)) {
        if (m_sharedInUse) {
            m_lastError = u"the shared contact list is missing"_s;
            error(u"Общий список пользователей недоступен."_s);
            return false;
        }
        // A failure here shows up as a failed load just below.
        SaveUsers(m_usersFileName);
    }
    ContactListFile::LoadResult result = ContactListFile::load(m_usersFileName);
    if (!result.ok) {
        m_lastError = result.error;
        error(u"Файл "_s + quoted(m_usersFileName) + u" не найден."_s);
        return false;
    }
    publish(std::make_shared<const Snapshot>(std::move(result.tree), ++m_generation));
    Q_EMIT rebuilt();
    return true;
}

bool ContactList::SaveUsers(const QString& fileName)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (isUsersFile(fileName) && refuseWhileShared())
        return false;
    QString why;
    if (!ContactListFile::save(fileName, snapshot()->tree(), &why)) {
        m_lastError = why;
        return false;
    }
    return true;
}

bool ContactList::writeUsersFile(const ContactTree& tree)
{
    QString why;
    if (ContactListFile::save(m_usersFileName, tree, &why))
        return true;
    m_lastError = why;
    error(u"Не удалось сохранить список пользователей в файл "_s + quoted(m_usersFileName) + u":\r\n"_s +
          why);
    return false;
}

int ContactList::MySetStatus(int index)
{
    MyCreateFavList();
    const int n = count();
    const int selected = n == 0 ? -1 : (index < 0 || index >= n ? 0 : index);
    Q_EMIT selectionRequested(selected);
    return selected;
}

bool ContactList::MyAddFavorites(const QString& name, AddMode mode)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const bool user = mode == AddMode::User;
    if (refuseWhileShared()) {
        if (user)
            error(u"Общий список пользователей доступен только для чтения."_s);
        return false;
    }
    const QString text = name.trimmed();
    if (text.isEmpty())
        return false;
    // A name comes from a typed field or from a peer's request; a line break in it would
    // split the line and make up further entries in the file.
    if (hasLineBreak(text)) {
        if (user)
            error(quoted(text) + u" нельзя добавить в список!"_s);
        return false;
    }
    const std::shared_ptr<const Snapshot> current = snapshot();
    if (current->indexOfNameOrNick(text) >= 0) {
        if (user)
            error(quoted(text) + u" уже есть в списке!"_s);
        return false;
    }
    ContactTree tree = current->tree();
    tree.appendTopLevel(text);
    if (!writeUsersFile(tree))
        return false;
    MySetStatus(int(tree.size()) - 1);
    return true;
}

bool ContactList::MyDelFavorites(const QString& text, int selectedIndex,
                                 const std::function<void()>& confirmed)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (refuseWhileShared()) {
        error(u"Общий список пользователей доступен только для чтения."_s);
        return false;
    }
    const QString target = text.trimmed();
    if (!m_host.askYesNo(u"Удаление пользователя"_s,
                         u"Вы действительно хотите удалить пользователя "_s + quoted(target) + u"?"_s))
        return false;
    if (confirmed)
        confirmed();
    const std::shared_ptr<const Snapshot> current = snapshot();
    const int index = current->lastIndexOfNick(target);
    if (index < 0) {
        error(quoted(target.toUpper()) + u" нет в списке!"_s);
        return false;
    }
    const QString found = current->displayName(index);
    if (ContactItem::isGroupText(found)) {
        const QString group = ContactItem::groupName(found).toUpper();
        if (!m_host.askYesNo(u"Удаление группы"_s, u"Это действие удалит ВСЕХ пользователей группы.\r\n"
                                                   u"Вы действительно хотите удалить группу "_s +
                                                       quoted(group) + u"?"_s))
            return false;
    }
    ContactTree tree = current->tree();
    tree.removeSubtree(index);
    if (!writeUsersFile(tree))
        return false;
    MyCreateFavList();
    const int n = count();
    const int selected = n == 0 ? -1 : (selectedIndex >= n ? n - 1 : std::max(selectedIndex, 0));
    Q_EMIT selectionRequested(selected);
    return true;
}

bool ContactList::saveListAs(const QString& fileName)
{
    if (SaveUsers(fileName))
        return true;
    error(u"Не удалось сохранить список пользователей в файл "_s + quoted(fileName) + u":\r\n"_s +
          m_lastError);
    return false;
}

bool ContactList::loadListFrom(const QString& fileName)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (refuseWhileShared()) {
        error(u"Общий список пользователей доступен только для чтения."_s);
        return false;
    }
    const ContactListFile::LoadResult result = ContactListFile::load(fileName);
    if (!result.ok) {
        m_lastError = result.error;
        error(u"Файл "_s + quoted(fileName) + u" не найден."_s);
        return false;
    }
    if (!writeUsersFile(result.tree))
        return false;
    MySetStatus(0);
    return true;
}

bool ContactList::replaceTree(const ContactTree& tree, int select)
{
    Q_ASSERT(QThread::currentThread() == thread());
    if (refuseWhileShared()) {
        error(u"Общий список пользователей доступен только для чтения."_s);
        return false;
    }
    if (!writeUsersFile(tree))
        return false;
    MyCreateFavList();
    const int n = count();
    Q_EMIT selectionRequested(n == 0 ? -1 : std::clamp(select, 0, n - 1));
    return true;
}

bool ContactList::setContactAddress(int index, const QString& address)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const std::shared_ptr<const Snapshot> current = snapshot();
    if (refuseWhileShared() || index < 0 || index >= current->count() || current->IsGroup(index) ||
        hasLineBreak(address) || address.contains(u';'))
        return false;
    ContactTree tree = current->tree();
    tree.setText(index,
                 current->compName(index) + u';' + current->displayName(index) + u';' + address + u";1"_s);
    if (!writeUsersFile(tree))
        return false;
    auto next = std::make_shared<const Snapshot>(std::move(tree), current->generation());
    for (int i = 0; i < current->count(); ++i)
        next->setImageIndex(i, current->imageIndex(i));
    publish(std::move(next));
    Q_EMIT addressesChanged();
    return true;
}

void ContactList::setImageIndex(int index, int image)
{
    Q_ASSERT(QThread::currentThread() == thread());
    const std::shared_ptr<const Snapshot> current = snapshot();
    if (current->imageIndex(index) == image || !current->setImageIndex(index, image))
        return;
    Q_EMIT imageIndexChanged(index, image);
}

} // namespace vantrel
