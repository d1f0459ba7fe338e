// Helper of test_killsave: saves the settings and the contact list in an endless loop through
// the program's own save paths, so that the test can kill it at any moment.
//
// Usage: vantrel_saveloop FOLDER
// FOLDER/VantrelMsg.ini holds version k as ItemCount lines "k:i" of the away-text list;
// FOLDER/compnames.vtl holds version k as NodeCount contacts "pc-k-i". On start the helper
// loads both (a torn or empty file is refused with exit code 3), prints "ready K1 K2" with the
// versions found and then writes versions K+1, K+2, ... alternately to each file.

#include "contacts/contactlist.h"
#include "contacts/contactlisthost.h"
#include "contacts/contactlistsnapshot.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

constexpr int ItemCount = 100;
constexpr int NodeCount = 100;

class QuietHost final : public ContactListHost {
public:
    void showBalloon(const QString& title, const QString& text, BalloonLevel) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
};

// The version a list of items holds; -1 when the items do not form one whole version.
int settingsVersion(const QStringList& items)
{
    if (items.size() != ItemCount)
        return -1;
    const QString k = items.first().section(u':', 0, 0);
    for (int i = 0; i < ItemCount; ++i) {
        if (items.at(i) != k + u':' + QString::number(i))
            return -1;
    }
    return k.toInt();
}

int contactsVersion(const ContactListSnapshot& list)
{
    if (list.count() == 0) // created empty by the first start
        return 0;
    if (list.count() != NodeCount)
        return -1;
    const QString k = list.lineText(0).section(u'-', 1, 1);
    for (int i = 0; i < NodeCount; ++i) {
        if (list.lineText(i) != u"pc-%1-%2"_s.arg(k).arg(i))
            return -1;
    }
    return k.toInt();
}

QStringList settingsItems(int k)
{
    QStringList items;
    for (int i = 0; i < ItemCount; ++i)
        items << QString::number(k) + u':' + QString::number(i);
    return items;
}

ContactTree contactsTree(int k)
{
    ContactTree tree;
    for (int i = 0; i < NodeCount; ++i)
        tree.appendTopLevel(u"pc-%1-%2"_s.arg(k).arg(i));
    return tree;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: vantrel_saveloop FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QuietHost host;
    const bool hadContacts = QFileInfo::exists(folder + u"/compnames.vtl"_s);
    Settings settings(folder + u"/VantrelMsg.ini"_s);
    ContactList contacts(settings, host, folder + u"/compnames.vtl"_s);
    contacts.CheckGeneralList();
    if (!settings.lastError().isEmpty() || !contacts.MyCreateFavList()) {
        std::fprintf(stderr, "cannot load: %s%s\n", qPrintable(settings.lastError()),
                     qPrintable(contacts.lastError()));
        return 3;
    }
    // A file not written yet is version 0; one that exists must hold a whole version.
    int settingsK =
        settings.fileExistedAtStart() ? settingsVersion(settings.VTLForm.ListBox_Answering_Items.value()) : 0;
    int contactsK = hadContacts ? contactsVersion(*contacts.snapshot()) : 0;
    if (settingsK < 0 || contactsK < 0) {
        std::fprintf(stderr, "torn file: settings %d, contacts %d\n", settingsK, contactsK);
        return 3;
    }
    std::printf("ready %d %d\n", settingsK, contactsK);
    std::fflush(stdout);
    for (;;) {
        settings.VTLForm.ListBox_Answering_Items.setValue(settingsItems(++settingsK));
        if (!settings.lastError().isEmpty())
            return 4;
        if (!contacts.replaceTree(contactsTree(++contactsK), 0))
            return 4;
    }
}
