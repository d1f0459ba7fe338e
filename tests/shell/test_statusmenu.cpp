#include "shell/statusmenu.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::TrayIcon;

class TestStatusMenu final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The tray's "Статус" submenu: radio items that report their code; the owner's change
    // moves the tick.
    void trayCarriesTheStatusSubmenu()
    {
        Q_INIT_RESOURCE(icons);
        TrayIcon tray;
        QAction* statusItem = tray.menu()->findChild<QAction*>(u"PM_SetStatus"_s);
        QVERIFY(statusItem);
        QCOMPARE(statusItem->text(), u"Статус"_s);
        QCOMPARE(statusItem->menu(), tray.statusMenu());
        const QList<QAction*> items = tray.statusMenu()->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0)->text(), u"В сети"_s);
        QCOMPARE(items.at(2)->text(), u"Не беспокоить"_s);
        QCOMPARE(tray.statusMenu()->status(), 0);

        QSignalSpy chosen(&tray, &TrayIcon::statusChosen);
        items.at(2)->trigger();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toInt(), 2);
        tray.setStatus(1);
        QCOMPARE(tray.statusMenu()->status(), 1);
        QVERIFY(!items.at(0)->isChecked() && items.at(1)->isChecked() && !items.at(2)->isChecked());
    }
};

QTEST_MAIN(TestStatusMenu)
#include "test_statusmenu.moc"
