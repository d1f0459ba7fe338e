#include "choiceworld.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::ContactListSnapshot;
using vantrel::RecipientChoice;

namespace {
constexpr int Vasya = 0, Otdel = 1, Petya = 2, Kolya = 3, Empty = 4, Sklad = 5, Lyosha = 6, Dima = 7;

// Ticks a node the way a click on its box does.
void tick(RecipientChoice& choice, int index, bool checked = true)
{
    choice.selectNode(index);
    choice.setChecked(index, checked);
    choice.R_TreeViewCheck();
}
} // namespace

class TestRecipientChoice final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void checkLogicAndStoredValues()
    {
        ChoiceWorld w;
        RecipientChoice& c = w.choice;
        QCOMPARE(c.fieldText(), u"Вася"_s);
        tick(c, Otdel);
        QCOMPARE(c.fieldText(), u"Петя;Коля"_s);
        QCOMPARE(c.storedText(), u"ОТДЕЛ"_s);
        QCOMPARE(c.storedItemIndex(), Otdel);
        // Unticking a member unticks its group; a ticked group without members counts itself.
        tick(c, Kolya, false);
        QVERIFY(!c.isChecked(Otdel) && c.isChecked(Petya));
        tick(c, Empty);
        QCOMPARE(c.fieldText(), u"Петя;ПУСТАЯ"_s);
        c.deselectAll();
        QVERIFY(!c.f_Checked() && c.isFieldEnabled());
        QCOMPARE(c.fieldText(), u"[ПУСТАЯ]"_s);
        c.selectAll();
        QCOMPARE(c.fieldText(), u"Вася;Петя;Коля;ПУСТАЯ;Лёша;Дима"_s);

        c.deselectAll();
        c.setTypedText(u"коля"_s);
        QCOMPARE(c.storedItemIndex(), Kolya);
        c.setTypedText(u"nobody"_s);
        QCOMPARE(c.storedItemIndex(), -1);
        // Restoring shows the stored item; an index past the end selects the first node.
        c.restore(u"старый текст"_s, Dima);
        QCOMPARE(c.fieldText(), u"Дима"_s);
        c.restore(u"старый текст"_s, 99);
        QCOMPARE(c.itemIndex(), 0);

        // A rebuild clears every mark and follows the list's selection.
        tick(c, Otdel);
        QSignalSpy changed(&c, &RecipientChoice::listChanged);
        QVERIFY(w.list.MyAddFavorites(u"PC9"_s));
        QCOMPARE(changed.size(), 1);
        QVERIFY(!c.f_Checked() && !c.isChecked(Petya));
        QCOMPARE(c.itemIndex(), 8);
        QCOMPARE(c.fieldText(), u"PC9"_s);
    }

    void fieldAndTreeFollowEachOther()
    {
        ChoiceWorld w;
        RecipientChoice& c = w.choice;
        // With the tree focused, the typed name's item is taken but the tree's selection is the
        // user's.
        c.selectNode(Vasya);
        c.setTypedText(u"дима"_s);
        c.leaveField(true);
        QCOMPARE(c.itemIndex(), Dima);
        QCOMPARE(c.selectedNode(), -1);

        c.selectNode(Kolya);
        c.setTypedText(u"PC99"_s);
        c.leaveField(false);
        QCOMPARE(c.itemIndex(), -1);
        QCOMPARE(c.selectedNode(), -1);
        QCOMPARE(c.fieldText(), u"PC99"_s);

        // Selecting nodes while boxes are ticked leaves the field alone.
        tick(c, Lyosha);
        c.selectNode(Vasya);
        QCOMPARE(c.fieldText(), u"Лёша"_s);

        // The field never holds more than 255 characters.
        c.deselectAll();
        c.setTypedText(QString(300, u'x'));
        QCOMPARE(c.fieldText().size(), 255);

        // An answer selects its sender's node, or none for an address not in the list.
        c.R_Answer(u"лёша"_s);
        QCOMPARE(c.selectedNode(), Lyosha);
        c.R_Answer(u"192.168.5.5"_s);
        QCOMPARE(c.selectedNode(), -1);
        QVERIFY(!c.hasSelectedItem());
        QCOMPARE(c.recipientText(), u"192.168.5.5"_s);
    }

    void addressListForEachChoice()
    {
        ChoiceWorld w;
        RecipientChoice& c = w.choice;
        w.settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
        w.settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.setValue(false);
        w.list.setImageIndex(Dima, ContactListSnapshot::Unreachable);

        // A single contact: its address, the field's text.
        c.setItemIndex(Vasya);
        auto r = c.GetAdressList();
        QCOMPARE(r.addresses, QStringList{u"10.0.0.1"_s});
        QCOMPARE(r.displayText, u"Вася"_s);
        // Without an IP address the computer name; with sending by IP off always the name.
        c.setItemIndex(Kolya);
        QCOMPARE(c.GetAdressList().addresses, QStringList{u"PC3"_s});
        w.settings.fmConfig.dxCheckbox_IP_Checked.setValue(false);
        c.setItemIndex(Vasya);
        QCOMPARE(c.GetAdressList().addresses, QStringList{u"PC1"_s});
        w.settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);

        // A group: its reachable members; the group's name.
        c.setItemIndex(Sklad);
        r = c.GetAdressList();
        QCOMPARE(r.addresses, QStringList{u"10.0.0.6"_s});
        QCOMPARE(r.displayText, u"СКЛАД"_s);
        QVERIFY(w.host.balloons.isEmpty());

        // An empty group: nothing, and the balloon.
        c.setItemIndex(Empty);
        QVERIFY(c.GetAdressList().addresses.isEmpty());
        QCOMPARE(w.host.lastBalloon(), u"Данная группа не содержит пользователей!"_s);

        // Ticked: contacts only, never groups or unreachable ones, in list order.
        tick(c, Sklad);
        tick(c, Vasya);
        r = c.GetAdressList();
        QCOMPARE(r.addresses, (QStringList{u"10.0.0.1"_s, u"10.0.0.6"_s}));
        QCOMPARE(r.displayText, u"Вася, Лёша"_s);
        QVERIFY(c.isChecked(Vasya));

        // Nothing reachable among the ticked nodes.
        c.deselectAll();
        tick(c, Dima);
        tick(c, Empty);
        QVERIFY(c.GetAdressList().addresses.isEmpty());
        QCOMPARE(w.host.balloons.size(), 2);
        QCOMPARE(w.host.lastBalloon(), u"Нет доступных пользователей!"_s);

        // No list item: nothing here (the typed text is the sender's).
        c.deselectAll();
        c.setTypedText(u"PC1"_s);
        QVERIFY(c.GetAdressList().addresses.isEmpty());

        // Automatic unticking: the marks go at once, the field shows the choice until the send
        // is handed over, then the selected node.
        w.settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.setValue(true);
        tick(c, Otdel);
        QCOMPARE(c.GetAdressList().addresses.size(), 2);
        QVERIFY(!c.isChecked(Otdel) && !c.isChecked(Petya) && c.f_Checked());
        c.messageHandled();
        QVERIFY(!c.f_Checked() && c.isFieldEnabled());
        QCOMPARE(c.fieldText(), u"[ОТДЕЛ]"_s);
    }

    void sendsFollowTheIpRefresh()
    {
        ChoiceWorld w;
        RecipientChoice& c = w.choice;
        w.settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
        w.settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.setValue(false);
        c.setItemIndex(Vasya);
        QSignalSpy changed(&c, &RecipientChoice::listChanged);

        // The refresh keeps the nodes: the selection stays and the send takes the new address.
        QVERIFY(w.list.setContactAddress(Vasya, u"10.0.0.11"_s));
        QCOMPARE(c.itemIndex(), Vasya);
        QCOMPARE(c.GetAdressList().addresses, QStringList{u"10.0.0.11"_s});

        // Ticks survive the refresh, and marks set after it are seen by ticked and group sends.
        tick(c, Otdel);
        tick(c, Lyosha);
        QVERIFY(w.list.setContactAddress(Petya, u"10.0.0.22"_s));
        QVERIFY(c.isChecked(Otdel) && c.isChecked(Lyosha));
        QCOMPARE(c.GetAdressList().addresses, (QStringList{u"10.0.0.22"_s, u"PC3"_s, u"10.0.0.6"_s}));
        w.list.setImageIndex(Petya, ContactListSnapshot::Unreachable);
        QCOMPARE(c.GetAdressList().addresses, (QStringList{u"PC3"_s, u"10.0.0.6"_s}));
        c.deselectAll();
        c.setItemIndex(Sklad);
        w.list.setImageIndex(Lyosha, ContactListSnapshot::Unreachable);
        w.list.setImageIndex(Dima, ContactListSnapshot::Online);
        QCOMPARE(c.GetAdressList().addresses, QStringList{u"10.0.0.7"_s});
        QCOMPARE(changed.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecipientChoice)
#include "test_recipientchoice.moc"
