// libFuzzer target for the contact-list reader (UTF-8, UTF-16 and Windows-1251 files) and the
// tables built from a list.
//
// Input: the bytes of a compnames.vtl file.
// Checks: a list that loads is a well-formed tree, writes back to a file that loads to the same
// tree, and builds its tables with one entry per node; a list that does not load says why and
// leaves no tree behind.

#include "contacts/contactitem.h"
#include "contacts/contactlistfile.h"
#include "contacts/contactlistsnapshot.h"
#include "fuzzcheck.h"

using namespace vantrel;
using vantrel::fuzz::check;

namespace {

void checkTree(const ContactTree& tree)
{
    for (qsizetype i = 0; i < tree.size(); ++i) {
        const ContactTree::Node& node = tree.node(i);
        check(node.level >= 0, "levels are not negative");
        check(i > 0 || node.level == 0, "the first node is at the top");
        check(i == 0 || node.level <= tree.node(i - 1).level + 1, "a node is at most one deeper");
        check(node.parent < i, "a parent comes first");
        check(node.parent < 0 ? node.level == 0 : tree.node(node.parent).level == node.level - 1,
              "a parent is one level up");
        check(tree.subtreeEnd(i) > i && tree.subtreeEnd(i) <= tree.size(), "a subtree ends inside the list");
        check(!node.text.contains(u'\n') && !node.text.contains(u'\r'), "a node has one line");
    }
}

void checkTables(const ContactTree& tree)
{
    const ContactListSnapshot snapshot(tree);
    check(snapshot.count() == tree.size(), "one table entry per node");
    for (int i = 0; i < snapshot.count(); ++i) {
        const QString nick = snapshot.displayName(i);
        check(snapshot.MyGetIndex(nick) >= 0 && snapshot.MyGetIndex(nick) <= i,
              "a name finds its first entry");
        (void)snapshot.displayText(i);
        (void)snapshot.GetIPFromList(i, true);
        const ContactItem item = ContactItem::fromLine(snapshot.lineText(i));
        check(!item.compName.contains(u';') || ContactItem::isGroupText(snapshot.lineText(i)),
              "a computer name stops at the first field separator");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ContactListFile::LoadResult loaded = ContactListFile::parse(fuzz::bytesOf(data, size));
    check(loaded.ok == loaded.error.isEmpty(), "a failure says why");
    if (!loaded.ok) {
        check(loaded.tree.isEmpty(), "a failed load leaves no tree");
        return 0;
    }
    checkTree(loaded.tree);
    checkTables(loaded.tree);

    const QByteArray written = ContactListFile::serialize(loaded.tree);
    const ContactListFile::LoadResult reread = ContactListFile::parse(written);
    check(reread.ok, "a written list loads");
    check(reread.tree.size() == loaded.tree.size(), "a written list keeps its nodes");
    for (qsizetype i = 0; i < loaded.tree.size(); ++i)
        check(reread.tree.node(i).level == loaded.tree.node(i).level, "a written list keeps its shape");
    // Lone surrogates (from UTF-16 files) become replacement characters once and then stay.
    const ContactListFile::LoadResult third = ContactListFile::parse(ContactListFile::serialize(reread.tree));
    check(third.ok && third.tree == reread.tree, "a list written twice is the same list");
    bool plain = true;
    for (const ContactTree::Node& node : loaded.tree.nodes())
        plain = plain && !fuzz::hasLoneSurrogate(node.text);
    if (plain) // text UTF-8 can carry comes back exactly
        check(reread.tree == loaded.tree, "a written list is the same list");
    return 0;
}
