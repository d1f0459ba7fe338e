#include "shell/statusmenu.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::StatusMenu;
using vantrel::TrayIcon;

class TestStatusMenu final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void itemsAreRadioAndEmitTheirCode()
    {
        StatusMenu menu;
        const QList<QAction*> items = menu.actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0)->text(), u"В сети"_s);
        QCOMPARE(items.at(1)->text(), u"Отсутствую"_s);
        QCOMPARE(items.at(2)->text(), u"Не беспокоить"_s);
        QCOMPARE(menu.status(), 0);

        QSignalSpy chosen(&menu, &StatusMenu::statusChosen);
        items.at(2)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 2);
        // Exactly one item is ticked at a time.
        menu.setStatus(1);
        QCOMPARE(menu.status(), 1);
        QVERIFY(!items.at(0)->isChecked() && items.at(1)->isChecked() && !items.at(2)->isChecked());
    }

    void trayCarriesTheStatusSubmenu()
    {
        Q_INIT_RESOURCE(icons);
        TrayIcon tray;
        QAction* statusItem = tray.menu()->findChild<QAction*>(u"PM_SetStatus"_s);
        QVERIFY(statusItem);
        QCOMPARE(statusItem->text(), u"Статус"_s);
        QCOMPARE(statusItem->menu(), tray.statusMenu());

        QSignalSpy chosen(&tray, &TrayIcon::statusChosen);
        tray.statusMenu()->actions().at(1)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 1);

        // The owner reports the change back: the submenu ticks follow.
        tray.setStatus(2);
        QCOMPARE(tray.statusMenu()->status(), 2);
    }
};

QTEST_MAIN(TestStatusMenu)
#include "test_statusmenu.moc"
