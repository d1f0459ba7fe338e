#include "choiceworld.h"
#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistfile.h"
#include "contacts/contactlistlookup.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;
using vantrel::ContactList;
using vantrel::ContactListHost;
using vantrel::ContactListLookup;
using vantrel::Settings;

namespace {

const QByteArray Bom = "\xEF\xBB\xBF"_ba;

QByteArray listFile(const QString& text)
{
    return Bom + text.toUtf8();
}

const QString Sample = u"PC1;Вася;192.168.0.5;1\r\n"
                       u"[ОТДЕЛ КАДРОВ]\r\n"
                       u"\tPC2;Петя;;0\r\n"
                       u"\tPC3\r\n"
                       u"srv;Сервер;10.0.0.1\r\n"
                       u"PC4;вася\r\n"_s;

// One test's world, with the list above unless told otherwise.
struct World : ChoiceWorld {
    explicit World(const QString& contents = Sample)
        : ChoiceWorld(contents)
    {}
};

} // namespace

class TestContactList final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void missingPersonalListIsCreatedEmpty()
    {
        World w{QString()};
        QSignalSpy rebuilt(&w.list, &ContactList::rebuilt);
        QVERIFY(QFile::remove(w.personal)); // the start-up's selection made it already
        QVERIFY(w.list.MyCreateFavList());
        QCOMPARE(readAll(w.personal), Bom);
        QCOMPARE(w.list.count(), 0);
        QCOMPARE(rebuilt.count(), 1);
        QVERIFY(w.host.balloons.isEmpty());
    }

    void tablesAndMarksFollowTheFile()
    {
        World w;
        const auto s = w.list.snapshot();
        QCOMPARE(s->CompName_List(),
                 (QStringList{u"PC1"_s, u"[ОТДЕЛ КАДРОВ]"_s, u"PC2"_s, u"PC3"_s, u"srv"_s, u"PC4"_s}));
        QCOMPARE(s->IP_List(), (QStringList{u"192.168.0.5"_s, {}, {}, {}, u"10.0.0.1"_s, {}}));
        QCOMPARE(s->RefIP_List(), (QStringList{u"1"_s, u"1"_s, u"0"_s, u"1"_s, u"1"_s, u"1"_s}));
        for (int i = 0; i < s->count(); ++i)
            QCOMPARE(s->imageIndex(i), i == 1 ? 4 : 0);
        QVERIFY(w.list.IsGroup(1) && !w.list.IsGroup(0) && !w.list.IsGroup(6) && !w.list.IsGroup(-1));

        // Marks: only real images of real nodes, a signal per change, reset by a rebuild.
        QSignalSpy changed(&w.list, &ContactList::imageIndexChanged);
        w.list.setImageIndex(0, 3);
        w.list.setImageIndex(0, 3);
        w.list.setImageIndex(2, 7);
        w.list.setImageIndex(9, 1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0), (QVariantList{0, 3}));
        w.list.setImageIndex(0, 4);
        QVERIFY(w.list.IsGroup(0)); // the mark decides, not the text
        QVERIFY(w.list.MyCreateFavList());
        QCOMPARE(w.list.imageIndex(0), 0);
        QCOMPARE(w.list.imageIndex(1), 4);
    }

    void lookupsBothWays()
    {
        World w;
        // Display name to computer name: any case, the first match.
        QCOMPARE(w.list.MyGetComp(u"ВАСЯ"_s), u"PC1"_s);
        QCOMPARE(w.list.MyGetComp(u"Никто"_s), u"Никто"_s);
        QCOMPARE(w.list.MyGetIndex(u"pc3"_s), 3);
        QCOMPARE(w.list.MyGetIndex(u"[отдел кадров]"_s), 1);
        QCOMPARE(w.list.MyGetIndex(u"PC2"_s), -1); // a computer name is not a display name
        // Computer name or exact IP text to display name.
        QCOMPARE(w.list.MyGetNick(u"SRV"_s), u"Сервер"_s);
        QCOMPARE(w.list.MyGetNick(u"192.168.0.5"_s), u"Вася"_s);
        QCOMPARE(w.list.MyGetNick(u"192.168.0.05"_s), u"192.168.0.05"_s);
        QCOMPARE(w.list.MyGetNick(u"Вася"_s), u"Вася"_s); // not found: the name itself
        QCOMPARE(w.list.MyGetNick(QString()), QString());

        // The first index wins whether it matched by name or by address.
        World order(u"A;first;10.0.0.9\r\n10.0.0.9;second\r\n"_s);
        QCOMPARE(order.list.MyGetNick(u"10.0.0.9"_s), u"first"_s);
    }

    void addressFollowsIpSetting()
    {
        World w;
        auto& ipSetting = w.settings.fmConfig.dxCheckbox_IP_Checked;
        ipSetting.setValue(false);
        QCOMPARE(w.list.GetIPFromList(0), u"PC1"_s);
        ipSetting.setValue(true);
        QCOMPARE(w.list.GetIPFromList(0), u"192.168.0.5"_s);
        QCOMPARE(w.list.GetIPFromList(2), u"PC2"_s); // no IP stored
        QCOMPARE(w.list.GetIPFromList(6), QString());

        // A list made while the setting is already on starts with it.
        Settings reread(w.settings.path());
        ContactList second(reread, w.host, w.personal);
        QVERIFY(second.MyCreateFavList());
        QCOMPARE(second.GetIPFromList(0), u"192.168.0.5"_s);
    }

    void failedRebuildKeepsTheOldList()
    {
        World w;
        const auto before = w.list.snapshot();
        QSignalSpy rebuilt(&w.list, &ContactList::rebuilt);

        writeAll(w.personal, listFile(u"PC9\r\n\t\tPC10\r\n"_s));
        QVERIFY(!w.list.MyCreateFavList());
        QCOMPARE(w.host.balloons.size(), 1);
        QCOMPARE(w.host.balloons[0].text, u"Файл \""_s + w.personal + u"\" не найден."_s);
        QCOMPARE(w.host.balloons[0].level, ContactListHost::BalloonLevel::Error);
        QCOMPARE(w.list.lastError(), u"Invalid level (2) for item \"PC10\""_s);
        QCOMPARE(w.list.snapshot(), before);
        QCOMPARE(rebuilt.count(), 0);

        // An unreadable file fails the same way.
        QFile::remove(w.personal);
        QVERIFY(QDir().mkdir(w.personal));
        QVERIFY(!w.list.MyCreateFavList());
        QCOMPARE(w.list.snapshot(), before);
    }

    void selectionStaysInRange()
    {
        World w(u"A\r\nB\r\nC\r\n"_s);
        QSignalSpy selected(&w.list, &ContactList::selectionRequested);
        QCOMPARE(w.list.MySetStatus(2), 2);
        QCOMPARE(w.list.MySetStatus(-1), 0);
        QCOMPARE(w.list.MySetStatus(3), 0);
        QCOMPARE(selected.count(), 3);
        QCOMPARE(selected.at(0).at(0).toInt(), 2);

        // A deletion selects the node before, or the last one when that is past the end.
        w.host.answers = {true, true, true};
        QVERIFY(w.list.MyDelFavorites(u"A"_s, 1));
        QCOMPARE(selected.last().at(0).toInt(), 1);
        QVERIFY(w.list.MyDelFavorites(u"B"_s, 1));
        QCOMPARE(selected.last().at(0).toInt(), 0);
        QVERIFY(w.list.MyDelFavorites(u"c"_s, 0));
        QCOMPARE(selected.last().at(0).toInt(), -1);
        QCOMPARE(readAll(w.personal), Bom);
        QCOMPARE(w.list.MySetStatus(0), -1);
    }

    void addingFromTheRecipientField()
    {
        World w;
        const QByteArray before = readAll(w.personal);

        // Equal to a computer name or a display name in another case: refused aloud.
        QVERIFY(!w.list.MyAddFavorites(u"  pc2 "_s));
        QCOMPARE(w.host.lastBalloon(), u"\"pc2\" уже есть в списке!"_s);
        QVERIFY(!w.list.MyAddFavorites(u"СЕРВЕР"_s));
        QVERIFY(!w.list.MyAddFavorites(u"[отдел кадров]"_s));
        QCOMPARE(w.host.balloons.size(), 3);
        // The automatic adding after a send skips listed names without a word.
        QVERIFY(!w.list.MyAddFavorites(u"PC3"_s, ContactList::AddMode::Automatic));
        QCOMPARE(w.host.balloons.size(), 3);

        // A name with a line break would make up extra lines in the file.
        QVERIFY(!w.list.MyAddFavorites(u"EVIL\r\n[GROUP]"_s));
        QVERIFY(!w.list.MyAddFavorites(u"EVIL\nPC9"_s, ContactList::AddMode::Automatic));
        QVERIFY(!w.list.MyAddFavorites(u"   "_s));
        QCOMPARE(w.host.balloons.size(), 4);
        QCOMPARE(readAll(w.personal), before);

        QSignalSpy selected(&w.list, &ContactList::selectionRequested);
        QVERIFY(w.list.MyAddFavorites(u" Новый-ПК "_s));
        QCOMPARE(readAll(w.personal), listFile(Sample + u"Новый-ПК\r\n"_s));
        QCOMPARE(w.list.snapshot()->tree().node(6).level, 0);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toInt(), 6);
        QVERIFY(w.list.MyAddFavorites(u"PC7"_s, ContactList::AddMode::Automatic));
        QCOMPARE(w.list.count(), 8);
        QCOMPARE(w.host.balloons.size(), 4);
    }

    void deletingContactsAndGroups()
    {
        World w;
        const QByteArray before = readAll(w.personal);

        // No to the first question: nothing happens.
        int confirmations = 0;
        const auto confirmed = [&confirmations] { ++confirmations; };
        QVERIFY(!w.list.MyDelFavorites(u"Петя"_s, 0, confirmed));
        QCOMPARE(w.host.questions.size(), 1);
        QCOMPARE(w.host.questions[0].title, u"Удаление пользователя"_s);
        QCOMPARE(w.host.questions[0].text, u"Вы действительно хотите удалить пользователя \"Петя\"?"_s);
        QCOMPARE(confirmations, 0);

        // Not in the list: the text in upper case.
        w.host.answers = {true};
        QVERIFY(!w.list.MyDelFavorites(u"Коля"_s, 0, confirmed));
        QCOMPARE(confirmations, 1);
        QCOMPARE(w.host.lastBalloon(), u"\"КОЛЯ\" нет в списке!"_s);
        QCOMPARE(readAll(w.personal), before);

        // Display names are searched from the last: "вася" (PC4) goes, "Вася" (PC1) stays.
        w.host.answers = {true};
        QVERIFY(w.list.MyDelFavorites(u"ВАСЯ"_s, 0));
        QCOMPARE(readAll(w.personal),
                 listFile(u"PC1;Вася;192.168.0.5;1\r\n[ОТДЕЛ КАДРОВ]\r\n\tPC2;Петя;;0\r\n"
                          u"\tPC3\r\nsrv;Сервер;10.0.0.1\r\n"_s));

        // A group: asked twice; No to the second keeps it, Yes removes it with its members.
        w.host.answers = {true, false};
        QVERIFY(!w.list.MyDelFavorites(u"[отдел кадров]"_s, 0));
        QCOMPARE(w.host.questions.size(), 5);
        QCOMPARE(w.host.questions[4].text, u"Это действие удалит ВСЕХ пользователей группы.\r\n"
                                           u"Вы действительно хотите удалить группу \"ОТДЕЛ КАДРОВ\"?"_s);
        QCOMPARE(w.list.count(), 5);
        w.host.answers = {true, true};
        QVERIFY(w.list.MyDelFavorites(u"[Отдел Кадров]"_s, 0));
        QCOMPARE(readAll(w.personal), listFile(u"PC1;Вася;192.168.0.5;1\r\nsrv;Сервер;10.0.0.1\r\n"_s));
        QCOMPARE(w.list.MyGetIndex(u"Сервер"_s), 1);
    }

    void sharedListIsReadOnlyAndFallsBack()
    {
        World w;
        auto& config = w.settings.fmConfig;
        const QString shared = w.dir.filePath(u"net/shared.vtl"_s);
        config.CheckBox_General_List_Checked.setValue(true);
        config.FilenameEdit_General_List_FileName.setValue(shared);
        config.dxCheckbox_AutoAddUser_Checked.setValue(true);
        QSignalSpy inUse(&w.list, &ContactList::sharedListInUseChanged);

        // Missing: the personal list, and the choice is switched off for good.
        w.list.CheckGeneralList();
        QCOMPARE(w.host.lastBalloon(),
                 u"Общий список пользователей недоступен.\r\nЗагружен локальный список пользователей."_s);
        QVERIFY(!Settings(w.settings.path()).fmConfig.CheckBox_General_List_Checked.value());
        QCOMPARE(w.list.UsersFileName(), w.personal);
        QCOMPARE(inUse.count(), 0);

        QVERIFY(QDir().mkpath(w.dir.filePath(u"net"_s)));
        const QByteArray sharedBytes = listFile(u"[IT]\r\n\tADMIN;Админ;10.1.1.1;0\r\n"_s);
        writeAll(shared, sharedBytes);
        config.CheckBox_General_List_Checked.setValue(true);
        w.list.CheckGeneralList();
        QVERIFY(w.list.MyCreateFavList());
        QCOMPARE(w.host.balloons.size(), 1);
        QVERIFY(w.list.isSharedListInUse());
        QCOMPARE(w.list.UsersFileName(), shared);
        QVERIFY(!config.dxCheckbox_AutoAddUser_Checked.value());
        QCOMPARE(inUse.count(), 1);
        QVERIFY(inUse.at(0).at(0).toBool());

        // Nothing writes it; the user's add, delete and load are refused aloud.
        QVERIFY(!w.list.MyAddFavorites(u"NEWPC"_s));
        QVERIFY(!w.list.MyAddFavorites(u"NEWPC"_s, ContactList::AddMode::Automatic));
        w.host.answers = {true, true, true};
        QVERIFY(!w.list.MyDelFavorites(u"Админ"_s, 0));
        QVERIFY(w.host.questions.isEmpty());
        const QString other = w.dir.filePath(u"other.vtl"_s);
        writeAll(other, listFile(u"X\r\n"_s));
        QVERIFY(!w.list.loadListFrom(other));
        QVERIFY(!w.list.SaveUsers(shared));
        QCOMPARE(readAll(shared), sharedBytes);
        QCOMPARE(w.host.balloons.size(), 4);
        QCOMPARE(w.list.count(), 2);
        // Saving a copy elsewhere is harmless.
        QVERIFY(w.list.saveListAs(w.dir.filePath(u"copy.vtl"_s)));
        QCOMPARE(readAll(w.dir.filePath(u"copy.vtl"_s)), sharedBytes);

        // The shared file goes away: the rebuild says so and keeps what it had; the next choice
        // falls back to the personal list.
        const auto before = w.list.snapshot();
        QVERIFY(QFile::remove(shared));
        QVERIFY(!w.list.MyCreateFavList());
        QCOMPARE(w.host.lastBalloon(), u"Общий список пользователей недоступен."_s);
        QCOMPARE(w.list.snapshot(), before);
        QVERIFY(!QFile::exists(shared));
        w.list.CheckGeneralList();
        QVERIFY(!w.list.isSharedListInUse());
        QCOMPARE(inUse.count(), 2);
        QVERIFY(w.list.MyCreateFavList());
        QCOMPARE(w.list.count(), 6);
    }

    void loadingAndSavingOtherLists()
    {
        World w;
        const QString foreign = w.dir.filePath(u"from-windows.vtl"_s);
        // Windows-1251 without a byte-order mark: "[ОТДЕЛ]", "\tPC5;Вася".
        writeAll(foreign, "[\xCE\xD2\xC4\xC5\xCB]\r\n\tPC5;\xC2\xE0\xF1\xFF\r\n"_ba);
        QSignalSpy selected(&w.list, &ContactList::selectionRequested);
        w.list.setImageIndex(0, 3);
        QVERIFY(w.list.loadListFrom(foreign));
        QCOMPARE(readAll(w.personal), listFile(u"[ОТДЕЛ]\r\n\tPC5;Вася\r\n"_s));
        QCOMPARE(w.list.MyGetComp(u"вася"_s), u"PC5"_s);
        QCOMPARE(w.list.imageIndex(0), 4);
        QCOMPARE(selected.count(), 1);

        const QString copy = w.dir.filePath(u"saved/Список пользователей VTL.vtl"_s);
        QVERIFY(w.list.saveListAs(copy));
        QCOMPARE(readAll(copy), readAll(w.personal));

        // A file that does not load changes nothing.
        const QByteArray before = readAll(w.personal);
        writeAll(foreign, "A\r\n\t\tB\r\n"_ba);
        QVERIFY(!w.list.loadListFrom(foreign));
        QCOMPARE(w.host.lastBalloon(), u"Файл \""_s + foreign + u"\" не найден."_s);
        QVERIFY(!w.list.loadListFrom(w.dir.filePath(u"missing.vtl"_s)));
        QCOMPARE(readAll(w.personal), before);
        QCOMPARE(w.list.count(), 2);

        // Saving into a folder's place fails aloud.
        QVERIFY(QDir(w.dir.path()).mkdir(u"folder.vtl"_s));
        QVERIFY(!w.list.saveListAs(w.dir.filePath(u"folder.vtl"_s)));
        QVERIFY(w.host.lastBalloon().startsWith(u"Не удалось сохранить список пользователей"_s));
    }

    void failedSaveLeavesFileAndList()
    {
        QString contents;
        for (int i = 0; i < 2000; ++i)
            contents += u"COMPUTER-%1;Сотрудник %1;10.0.%2.%3;1\r\n"_s.arg(i).arg(i / 250).arg(i % 250);
        World w(contents);
        const QByteArray before = readAll(w.personal);
        QVERIFY(before.size() > 64 * 1024);
        const auto snapshotBefore = w.list.snapshot();

        bool added = true;
        bool deleted = true;
        {
            FileSizeLimit limit(4096);
            if (!limit.ok())
                QSKIP("cannot lower RLIMIT_FSIZE here");
            added = w.list.MyAddFavorites(u"NEWPC"_s);
            w.host.answers = {true};
            deleted = w.list.MyDelFavorites(u"Сотрудник 5"_s, 0);
        }
        QVERIFY(!added && !deleted);
        QCOMPARE(readAll(w.personal), before);
        QCOMPARE(QDir(w.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"compnames.vtl"_s});
        QCOMPARE(w.list.snapshot(), snapshotBefore);
        QCOMPARE(w.host.balloons.size(), 2);
        for (const auto& balloon : std::as_const(w.host.balloons))
            QVERIFY(balloon.text.startsWith(u"Не удалось сохранить список пользователей в файл \""_s +
                                            w.personal));

        QVERIFY(w.list.MyAddFavorites(u"NEWPC"_s));
        QCOMPARE(w.list.count(), 2001);
    }

    void concurrentReadersSeeWholeLists()
    {
        // Two lists of different sizes whose every entry names its list ("A" or "B") and its
        // index; the readers check that whatever they see is one of them, whole.
        const auto make = [](QChar tag, int n) {
            QString text;
            for (int i = 0; i < n; ++i) {
                if (i % 50 == 0)
                    text += u"[GROUP-%1-%2]\r\n"_s.arg(tag).arg(i);
                else
                    text +=
                        u"\tpc-%1-%2;nick-%1-%2;10.0.%3.%4;1\r\n"_s.arg(tag).arg(i).arg(i / 250).arg(i % 250);
            }
            return text;
        };
        const QByteArray listA = listFile(make(u'A', 300));
        const QByteArray listB = listFile(make(u'B', 700));
        World w(make(u'A', 300));
        w.settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);

        std::atomic<bool> stop{false};
        std::atomic<int> failures{0};
        std::atomic<int> reads{0};
        const auto reader = [&](int seed) {
            unsigned r = unsigned(seed) * 2654435761u;
            while (!stop.load()) {
                const auto s = w.list.snapshot();
                const int n = s->count();
                if ((n != 300 && n != 700) || s->tree().size() != n || s->DisplayName_List().size() != n ||
                    s->IP_List().size() != n || s->RefIP_List().size() != n) {
                    ++failures;
                    continue;
                }
                const QString tag = n == 300 ? u"A"_s : u"B"_s;
                r = r * 1103515245u + 12345u;
                const int i = int(r % unsigned(n));
                const QString expectedComp =
                    i % 50 == 0 ? u"[GROUP-%1-%2]"_s.arg(tag).arg(i) : u"pc-%1-%2"_s.arg(tag).arg(i);
                if (s->compName(i) != expectedComp || s->MyGetIndex(s->displayName(i)) != i ||
                    s->IsGroup(i) != (i % 50 == 0))
                    ++failures;
                // Through the list itself, which reads its own snapshot.
                const QString address = w.list.GetIPFromList(i);
                if (!address.isEmpty() && !address.startsWith(u"10."_s) && !address.startsWith(u"[GROUP"_s))
                    ++failures;
                ++reads;
            }
        };
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back(reader, t + 1);
        for (int round = 0; round < 150; ++round) {
            writeAll(w.personal, round % 2 == 0 ? listB : listA);
            if (!w.list.MyCreateFavList())
                ++failures;
        }
        stop = true;
        for (std::thread& t : threads)
            t.join();
        QCOMPARE(failures.load(), 0);
        QVERIFY(reads.load() > 0);
    }

    void engineLookupAddsOnTheListsThread()
    {
        World w;
        ContactListLookup lookup(w.list);
        QCOMPARE(lookup.nickFor(u"192.168.0.5"_s), u"Вася"_s);
        // Adding a listed name says nothing; a new one is added on the list's thread even when
        // asked from another thread.
        lookup.addFavorite(u"pc1"_s);
        QCOMPARE(w.list.count(), 6);
        std::unique_ptr<QThread> worker(QThread::create([&lookup] { lookup.addFavorite(u"FROM-WORKER"_s); }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QTRY_COMPARE(w.list.MyGetIndex(u"from-worker"_s), 6);
        QVERIFY(readAll(w.personal).endsWith("FROM-WORKER\r\n"));
        QVERIFY(w.host.balloons.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestContactList)
#include "test_contactlist.moc"
