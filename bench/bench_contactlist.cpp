// Loading a contact list of 10 000 entries.
//
// Writes a list file of groups with members and top-level contacts (field lists of every
// shape, Cyrillic names), then times the steps of a rebuild: reading and parsing the file,
// building the tables, and the whole rebuild of the list as the program does it, plus the
// lookups by name. Prints the figures; the target for the whole rebuild is under 200 ms.
//
// Usage: bench_contactlist [ENTRIES] [ROUNDS]   (default 10000 entries, 5 rounds)

#include "contacts/contactlist.h"
#include "contacts/contactlistfile.h"
#include "contacts/contactlisthost.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

class QuietHost final : public ContactListHost {
public:
    void showBalloon(const QString&, const QString& text, BalloonLevel) override
    {
        std::fprintf(stderr, "balloon: %s\n", qPrintable(text));
    }
    bool askYesNo(const QString&, const QString&) override { return false; }
};

ContactTree makeList(int entries)
{
    ContactTree tree;
    int group = 0;
    for (int i = 0; i < entries; ++i) {
        // Every 25th entry opens a group; a fifth of the groups are followed by top-level
        // contacts instead of members.
        if (i % 25 == 0) {
            tree.appendLine(0, u"[ОТДЕЛ %1]"_s.arg(++group));
            continue;
        }
        const int indent = group % 5 == 0 ? 0 : 1;
        QString line;
        switch (i % 4) {
        case 0:
            line = u"PC-%1"_s.arg(i);
            break;
        case 1:
            line = u"PC-%1;Сотрудник %1"_s.arg(i);
            break;
        case 2:
            line = u"PC-%1;Сотрудник %1;10.%2.%3.%4"_s.arg(i).arg(i / 65536).arg(i / 256 % 256).arg(i % 256);
            break;
        default:
            line =
                u"PC-%1;Сотрудник %1;10.%2.%3.%4;0"_s.arg(i).arg(i / 65536).arg(i / 256 % 256).arg(i % 256);
            break;
        }
        tree.appendLine(indent, line);
    }
    return tree;
}

struct Best {
    qint64 ns = std::numeric_limits<qint64>::max();
    void take(const QElapsedTimer& t) { ns = std::min(ns, t.nsecsElapsed()); }
    double ms() const { return double(ns) / 1e6; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int entries = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 10000;
    const int rounds = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 5;

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString path = dir.filePath(u"compnames.vtl"_s);
    const ContactTree list = makeList(entries);
    QString error;
    if (!ContactListFile::save(path, list, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(error));
        return 1;
    }
    const qint64 fileSize = ContactListFile::serialize(list).size();

    Settings settings(dir.filePath(u"Conf/VantrelMsg.ini"_s));
    QuietHost host;
    ContactList contacts(settings, host, path);

    Best load;
    Best tables;
    Best rebuild;
    Best lookups;
    Best save;
    int found = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        ContactListFile::LoadResult result = ContactListFile::load(path);
        load.take(t);
        if (!result.ok || result.tree.size() != entries) {
            std::fprintf(stderr, "load failed: %s\n", qPrintable(result.error));
            return 1;
        }
        t.start();
        const ContactListSnapshot snapshot(std::move(result.tree));
        tables.take(t);

        t.start();
        if (!contacts.MyCreateFavList())
            return 1;
        rebuild.take(t);

        t.start();
        found = 0;
        for (int i = 1; i < entries; i += 97)
            found += contacts.MyGetIndex(u"сотрудник %1"_s.arg(i)) >= 0 ? 1 : 0;
        for (int i = 1; i < entries; i += 97)
            found += contacts.MyGetNick(u"pc-%1"_s.arg(i)) != u"pc-%1"_s.arg(i) ? 1 : 0;
        lookups.take(t);

        t.start();
        if (!contacts.SaveUsers(path))
            return 1;
        save.take(t);
    }

    std::printf("contact list: %d entries, %lld bytes, best of %d rounds\n", contacts.count(),
                static_cast<long long>(fileSize), rounds);
    std::printf("  read and parse the file:   %8.2f ms\n", load.ms());
    std::printf("  build the tables:          %8.2f ms\n", tables.ms());
    std::printf("  whole rebuild:             %8.2f ms   (target < 200 ms)\n", rebuild.ms());
    std::printf("  %d lookups (%d found):   %8.2f ms\n", 2 * ((entries - 2) / 97 + 1), found, lookups.ms());
    std::printf("  atomic save:               %8.2f ms\n", save.ms());
    return 0;
}
