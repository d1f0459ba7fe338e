// The editing rules of the favourites page over a real contact-list file.

#include "choiceworld.h"
#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/favouriteseditor.h"
#include "settings/settings.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::ContactList;
using vantrel::ContactListHost;
using vantrel::FavouritesEditor;
using Outcome = vantrel::FavouritesEditor::Outcome;

namespace {

const QByteArray Bom = "\xEF\xBB\xBF"_ba;

// The file as the tests read it: one line per node, TABs for the levels, CR LF line ends.
QByteArray lines(const QStringList& nodes)
{
    QByteArray out = Bom;
    for (const QString& node : nodes)
        out += node.toUtf8() + "\r\n";
    return out;
}

// The sample of ChoiceWorld:
//   0 PC1;Вася;10.0.0.1   1 [ОТДЕЛ]   2 PC2;Петя;10.0.0.2   3 PC3;Коля
//   4 [ПУСТАЯ]   5 [СКЛАД]   6 PC6;Лёша;10.0.0.6   7 PC7;Дима;10.0.0.7
struct World : ChoiceWorld {
    World()
        : editor(list, host)
        , selected(&list, &ContactList::selectionRequested)
    {}
    QByteArray file() const { return readAll(personal); }
    int lastSelection() const { return selected.isEmpty() ? -2 : selected.last().at(0).toInt(); }

    FavouritesEditor editor;
    QSignalSpy selected;
};

} // namespace

class TestFavouritesEditor final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newContactsAreRefusedAsDuplicatesByNameOrNickname()
    {
        World w;
        const QByteArray before = w.file();
        // The computer name exists in another letter case.
        auto result = w.editor.addContact(-1, u"pc1"_s, u"Другой"_s, u"0.0.0.0"_s);
        QCOMPARE(result.outcome, Outcome::Duplicate);
        QCOMPARE(result.index, 0);
        // A new contact without a nickname takes its computer name as the nickname: the computer
        // name ВАСЯ, which no contact has, clashes with the nickname Вася.
        result = w.editor.addContact(-1, u"ВАСЯ"_s, QString(), u"0.0.0.0"_s);
        QCOMPARE(result.outcome, Outcome::Duplicate);
        QCOMPARE(result.index, 0);
        // A nickname equal to a group's name is a duplicate too.
        result = w.editor.addContact(-1, u"PC9"_s, u"склад"_s, u"0.0.0.0"_s);
        QCOMPARE(result.outcome, Outcome::Duplicate);
        QCOMPARE(result.index, 5);
        QCOMPARE(w.file(), before);
        QVERIFY(w.host.balloons.isEmpty());
    }

    void newContactsGoWhereTheSelectionSays()
    {
        World w;
        // A selected group gets the contact as its last member, with three fields (auto-IP on)
        // and no address for "0.0.0.0".
        auto result = w.editor.addContact(5, u"PC8"_s, u"Оля"_s, u"0.0.0.0"_s);
        QCOMPARE(result.outcome, Outcome::Added);
        QCOMPARE(result.index, 8);
        QCOMPARE(w.lastSelection(), 8);
        // A selected member: last in its group.
        result = w.editor.addContact(2, u" PC9 "_s, QString(), u"10.0.0.9"_s);
        QCOMPARE(result.index, 4);
        // A selected top-level contact, or nothing: last at the top level.
        result = w.editor.addContact(0, u"PC10"_s, u"Юра"_s, u"0.0.0.0"_s);
        QCOMPARE(result.index, 10);
        result = w.editor.addContact(-1, u"PC11"_s, u"Ира"_s, u"0.0.0.0"_s);
        QCOMPARE(result.index, 11);
        QCOMPARE(w.file(),
                 lines({u"PC1;Вася;10.0.0.1"_s, u"[ОТДЕЛ]"_s, u"\tPC2;Петя;10.0.0.2"_s, u"\tPC3;Коля"_s,
                        u"\tPC9;PC9;10.0.0.9"_s, u"[ПУСТАЯ]"_s, u"[СКЛАД]"_s, u"\tPC6;Лёша;10.0.0.6"_s,
                        u"\tPC7;Дима;10.0.0.7"_s, u"\tPC8;Оля;"_s, u"PC10;Юра;"_s, u"PC11;Ира;"_s}));
        QCOMPARE(w.list.snapshot()->refIp(11), u"1"_s);
    }

    void groupsAreAddedInUpperCaseOnce()
    {
        World w;
        auto result = w.editor.addGroup(u"отдел кадров"_s);
        QCOMPARE(result.outcome, Outcome::Added);
        QCOMPARE(w.list.snapshot()->lineText(result.index), u"[ОТДЕЛ КАДРОВ]"_s);
        QCOMPARE(w.lastSelection(), result.index);
        const QByteArray afterFirst = w.file();
        // The same name in any case selects the existing group; a contact's nickname counts too.
        result = w.editor.addGroup(u"Отдел Кадров"_s);
        QCOMPARE(result.outcome, Outcome::Duplicate);
        QCOMPARE(result.index, 8);
        result = w.editor.addGroup(u"дима"_s);
        QCOMPARE(result.outcome, Outcome::Duplicate);
        QCOMPARE(result.index, 7);
        QCOMPARE(w.file(), afterFirst);
    }

    void applyWritesTheEditorBack()
    {
        World w;
        // A contact: four fields, the nickname from the computer name when blank, no address
        // for "0.0.0.0".
        QVERIFY(w.editor.apply(3, {u" PC3 "_s, u"  "_s, u"0.0.0.0"_s, false}));
        QCOMPARE(w.list.snapshot()->lineText(3), u"PC3;PC3;;0"_s);
        QCOMPARE(w.lastSelection(), 3);
        QVERIFY(w.editor.apply(0, {u"PC1"_s, u"Василий"_s, u"10.0.0.11"_s, true}));
        QCOMPARE(w.list.snapshot()->lineText(0), u"PC1;Василий;10.0.0.11;1"_s);
        // A group keeps the case typed and its members.
        QVERIFY(w.editor.apply(1, {u"[ОТДЕЛ]"_s, u"Отдел продаж"_s, u"0.0.0.0"_s, true}));
        QCOMPARE(w.list.snapshot()->lineText(1), u"[Отдел продаж]"_s);
        QVERIFY(w.list.snapshot()->tree().hasChildren(1));
        // An emptied group name keeps the old one instead of nesting brackets.
        QVERIFY(w.editor.apply(1, {u"[Отдел продаж]"_s, QString(), u"0.0.0.0"_s, true}));
        QCOMPARE(w.list.snapshot()->lineText(1), u"[Отдел продаж]"_s);

        // No computer name: nothing is written.
        const QByteArray before = w.file();
        QVERIFY(!w.editor.apply(0, {u"   "_s, u"Вася"_s, u"0.0.0.0"_s, true}));
        QCOMPARE(w.file(), before);
        QVERIFY(w.host.balloons.isEmpty());
    }

    void pastedSeparatorsNeverReachTheFile()
    {
        World w;
        const QByteArray before = w.file();
        // Typing is filtered in the fields, pasting is not: a ";" would shift the fields of the
        // line and a "]" would make a group name of a nickname.
        QVERIFY(!w.editor.apply(0, {u"PC1"_s, u"Ва;ся"_s, u"0.0.0.0"_s, true}));
        QVERIFY(!w.editor.apply(1, {u"[ОТДЕЛ]"_s, u"a]b"_s, u"0.0.0.0"_s, true}));
        QCOMPARE(w.editor.addContact(-1, u"PC[9]"_s, QString(), u"0.0.0.0"_s).outcome, Outcome::Refused);
        QCOMPARE(w.editor.addContact(-1, u"PC9"_s, u"two\nlines"_s, u"0.0.0.0"_s).outcome, Outcome::Refused);
        QCOMPARE(w.editor.addGroup(u"a;b"_s).outcome, Outcome::Refused);
        QCOMPARE(w.file(), before);
        QCOMPARE(w.host.balloons.size(), 5);
        for (const auto& balloon : std::as_const(w.host.balloons)) {
            QCOMPARE(balloon.text, u"Имя не должно содержать специальных символов ; [ ]"_s);
            QCOMPARE(balloon.level, ContactListHost::BalloonLevel::Error);
        }
    }

    void deletingAGroupWithMembersAsksFirst()
    {
        World w;
        // No: nothing happens.
        w.host.answers = {false};
        QVERIFY(!w.editor.remove(1));
        QCOMPARE(w.host.questions.size(), 1);
        QCOMPARE(w.host.questions[0].title, u"Удаление группы"_s);
        QCOMPARE(w.host.questions[0].text,
                 u"Это действие удалит ВСЕХ пользователей группы.\r\nВы действительно хотите удалить группу "
                 u"\"ОТДЕЛ\"?"_s);
        QCOMPARE(w.list.count(), 8);
        // Yes: the group goes with its members; the node now at that index is selected.
        w.host.answers = {true};
        QVERIFY(w.editor.remove(1));
        QCOMPARE(w.list.count(), 5);
        QCOMPARE(w.list.snapshot()->lineText(1), u"[ПУСТАЯ]"_s);
        QCOMPARE(w.lastSelection(), 1);
        // A contact and an empty group go without a question; past the end the last is selected.
        QVERIFY(w.editor.remove(1));
        QVERIFY(w.editor.remove(3));
        QCOMPARE(w.host.questions.size(), 2);
        QCOMPARE(w.lastSelection(), 2);
        QCOMPARE(w.file(), lines({u"PC1;Вася;10.0.0.1"_s, u"[СКЛАД]"_s, u"\tPC6;Лёша;10.0.0.6"_s}));
    }

    void draggingAContactOntoAGroup()
    {
        // Without Ctrl the contact becomes the group's last member, and the group is selected.
        World w;
        QVERIFY(w.editor.drop(0, 5, false));
        QCOMPARE(w.file(),
                 lines({u"[ОТДЕЛ]"_s, u"\tPC2;Петя;10.0.0.2"_s, u"\tPC3;Коля"_s, u"[ПУСТАЯ]"_s, u"[СКЛАД]"_s,
                        u"\tPC6;Лёша;10.0.0.6"_s, u"\tPC7;Дима;10.0.0.7"_s, u"\tPC1;Вася;10.0.0.1"_s}));
        QCOMPARE(w.lastSelection(), 4);

        // With Ctrl it goes before the group node, at the top level, and is selected.
        World ctrl;
        QVERIFY(ctrl.editor.drop(6, 1, true));
        QCOMPARE(ctrl.list.snapshot()->lineText(1), u"PC6;Лёша;10.0.0.6"_s);
        QCOMPARE(ctrl.list.snapshot()->tree().node(1).level, 0);
        QCOMPARE(ctrl.lastSelection(), 1);
        QCOMPARE(ctrl.list.snapshot()->tree().children(6), QList<int>{7});
    }

    void draggingOntoAContactMovesBeforeIt()
    {
        // A member dropped on a top-level contact leaves its group.
        World w;
        QVERIFY(w.editor.drop(3, 0, false));
        QCOMPARE(w.list.snapshot()->lineText(0), u"PC3;Коля"_s);
        QCOMPARE(w.lastSelection(), 0);
        // A group dropped on a top-level contact moves with its members and is selected.
        World group;
        QVERIFY(group.editor.drop(5, 0, false));
        QCOMPARE(group.file(), lines({u"[СКЛАД]"_s, u"\tPC6;Лёша;10.0.0.6"_s, u"\tPC7;Дима;10.0.0.7"_s,
                                      u"PC1;Вася;10.0.0.1"_s, u"[ОТДЕЛ]"_s, u"\tPC2;Петя;10.0.0.2"_s,
                                      u"\tPC3;Коля"_s, u"[ПУСТАЯ]"_s}));
        QCOMPARE(group.lastSelection(), 0);
        // Dragged downwards, the moved group is selected at its new place.
        QVERIFY(group.editor.drop(0, 7, false));
        QCOMPARE(group.list.snapshot()->lineText(4), u"[СКЛАД]"_s);
        QCOMPARE(group.lastSelection(), 4);
    }

    void refusedDrops()
    {
        World w;
        const QByteArray before = w.file();
        // A group onto a member of another group, or onto its own member; a node onto itself;
        // nodes outside the list.
        QVERIFY(!w.editor.canDrop(5, 2));
        QVERIFY(!w.editor.canDrop(1, 2));
        QVERIFY(!w.editor.canDrop(0, 0));
        QVERIFY(!w.editor.canDrop(-1, 0));
        QVERIFY(!w.editor.canDrop(0, 8));
        QVERIFY(!w.editor.drop(5, 2, false));
        QVERIFY(!w.editor.drop(5, 2, true));
        QCOMPARE(w.file(), before);
        // A group onto a top-level node or another group is fine.
        QVERIFY(w.editor.canDrop(5, 1));
        QVERIFY(w.editor.canDrop(5, 0));
    }

    void theSharedListIsNeverWritten()
    {
        World w;
        const QString shared = w.dir.filePath(u"shared.vtl"_s);
        writeAll(shared, lines({u"S1;Общий"_s}));
        w.settings.fmConfig.FilenameEdit_General_List_FileName.setValue(shared);
        w.settings.fmConfig.CheckBox_General_List_Checked.setValue(true);
        w.list.CheckGeneralList();
        w.list.MySetStatus(0);
        QVERIFY(w.list.isSharedListInUse());
        QCOMPARE(w.editor.addGroup(u"Новая"_s).outcome, Outcome::Refused);
        QVERIFY(!w.editor.apply(0, {u"S1"_s, u"Другой"_s, u"0.0.0.0"_s, true}));
        QCOMPARE(readAll(shared), lines({u"S1;Общий"_s}));
        QCOMPARE(w.host.lastBalloon(), u"Общий список пользователей доступен только для чтения."_s);
    }
};

QTEST_GUILESS_MAIN(TestFavouritesEditor)
#include "test_favouriteseditor.moc"
