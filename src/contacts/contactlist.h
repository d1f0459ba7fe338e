#pragma once

#include "contacts/contactlisthost.h"
#include "contacts/contactlistsnapshot.h"
#include "contacts/contacttree.h"

#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace vantrel {

class Settings;

// The contact list: the file in use (the personal list or the shared one), the master tree
// loaded from it and the tables built from the tree, plus the editing operations of the main
// window. Views (the main tree, the recipient field, the favourites editor) copy the list
// after every `rebuilt()` and select what `selectionRequested()` names.
//
// Threads: the list lives on the main thread and only that thread rebuilds or edits it. The
// built list is an immutable snapshot swapped whole under a mutex, so the lookups (and
// snapshot()) may be called from any thread and always see one list, the old or the new.
// Code that makes several lookups that must agree (an index, then its address) takes one
// snapshot() and asks it.
//
// Every change is saved at once and then read back from the file. A save that fails leaves
// both the file and the list as they were and says so in an error balloon. While the shared
// list is in use nothing writes it.
class ContactList final : public QObject {
    Q_OBJECT
public:
    using Snapshot = ContactListSnapshot;

    // Who adds a name: the user (every refusal explained in a balloon) or the automatic adding
    // after a send (names already in the list are skipped silently).
    enum class AddMode { User, Automatic };

    // `personalFile` is the personal list, compnames.vtl in the base folder.
    ContactList(Settings& settings, ContactListHost& host, QString personalFile, QObject* parent = nullptr);
    ~ContactList() override;
    Q_DISABLE_COPY_MOVE(ContactList)

    // --- Any thread.
    std::shared_ptr<const Snapshot> snapshot() const;
    int count() const { return snapshot()->count(); }
    QString MyGetComp(const QString& nick) const { return snapshot()->MyGetComp(nick); }
    QString MyGetNick(const QString& name) const { return snapshot()->MyGetNick(name); }
    int MyGetIndex(const QString& nick) const { return snapshot()->MyGetIndex(nick); }
    // The contact's address under the setting "Отправлять по IP-адресу".
    QString GetIPFromList(int index) const { return snapshot()->GetIPFromList(index, sendByIp()); }
    QString GetIPFromList(int index, bool useIp) const { return snapshot()->GetIPFromList(index, useIp); }
    bool IsGroup(int index) const { return snapshot()->IsGroup(index); }
    static bool IsTextGroup(const QString& text);
    // The setting "Отправлять по IP-адресу" (dxCheckbox_IP_Checked), followed as it changes.
    bool sendByIp() const { return m_sendByIp.load(std::memory_order_relaxed); }

    // --- Main thread.
    // The file every rebuild reads and every change writes.
    QString UsersFileName() const { return m_usersFileName; }
    bool isSharedListInUse() const { return m_sharedInUse; }
    // The error of the last failed load or save.
    QString lastError() const { return m_lastError; }

    // Chooses the file: the shared list when its setting is on and the file exists (automatic
    // adding is then switched off); otherwise the personal list, and a shared list that is
    // switched on but missing is switched off with an error balloon. Does not rebuild.
    void CheckGeneralList();
    // Rebuilds from UsersFileName (creating a missing personal list empty). On failure, an
    // error balloon and the previous list stays. Every mark is reset.
    bool MyCreateFavList();
    // Writes the master tree to a file; refuses to write the shared list while it is in use.
    bool SaveUsers(const QString& fileName);
    // Rebuilds, then asks the views to select `index` (0 when it is -1 or past the end, -1 for
    // an empty list); returns the index selected.
    int MySetStatus(int index);
    // Adds a name (trimmed) as the new last top-level node, saves and selects it. Refused,
    // with a balloon, when a computer name or display name equals it ignoring case.
    bool MyAddFavorites(const QString& name, AddMode mode = AddMode::User);
    // Deletes the last node whose display name equals `text` (trimmed) ignoring case, a group
    // with all its members, after the user's confirmation (twice for a group); then selects
    // `selectedIndex` again (the last node when it is now past the end). `confirmed` runs
    // right after the user's first Yes (the popup window that asked closes itself there).
    bool MyDelFavorites(const QString& text, int selectedIndex, const std::function<void()>& confirmed = {});
    // "Сохранить список": writes the list to another file.
    bool saveListAs(const QString& fileName);
    // "Загрузить список": reads another file, saves it as the list in use and selects node 0.
    bool loadListFrom(const QString& fileName);

    // The favourites editor's changes: saves `tree` over the list in use, rebuilds from the
    // file and asks the views to select `select` (the last node when it is past the end, -1
    // for an empty list). Refused with an error balloon while the shared list is in use; a
    // failed save leaves file and list as they were.
    bool replaceTree(const ContactTree& tree, int select);

    // The IP refresh: stores `address` for the contact at `index` (its line becomes computer
    // name;display name;address;1) and saves the file at once. Unlike the other changes this
    // keeps every node and mark: the new snapshot has the same generation, and
    // addressesChanged() tells the readers that hold one to take the new one.
    // Refused (false, no balloon) for groups, outside the list and while the shared list is in
    // use; a failed save leaves file and list as they were.
    bool setContactAddress(int index, const QString& address);

    // The status mark of a node (ContactListSnapshot::Image), reset by every rebuild.
    int imageIndex(int index) const { return snapshot()->imageIndex(index); }
    void setImageIndex(int index, int image);

Q_SIGNALS:
    // A new list is in place; every mark is back to 0 (contact) or 4 (group).
    void rebuilt();
    // A snapshot of the same generation with other addresses is in place (the IP refresh).
    void addressesChanged();
    // The views should select this node (-1: none, the list is empty).
    void selectionRequested(int index);
    void imageIndexChanged(int index, int image);
    void sharedListInUseChanged(bool inUse);

private:
    void publish(std::shared_ptr<const Snapshot> snapshot);
    // Saves a changed tree over UsersFileName; a failure is shown in an error balloon.
    bool writeUsersFile(const ContactTree& tree);
    bool refuseWhileShared();
    bool isUsersFile(const QString& fileName) const;
    void error(const QString& text);
    void onSettingChanged(const QString& section, const QString& key);

    Settings& m_settings;
    ContactListHost& m_host;
    const QString m_personalFile;
    QString m_usersFileName;
    bool m_sharedInUse = false;
    QString m_lastError;
    std::atomic<bool> m_sendByIp{false};
    quint64 m_generation = 0;

    mutable QMutex m_snapshotMutex;
    std::shared_ptr<const Snapshot> m_snapshot;
};

} // namespace vantrel
