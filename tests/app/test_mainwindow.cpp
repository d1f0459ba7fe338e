#include "app/gui/mainwindow.h"
#include "shell/trayicon.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;
using vantrel::MainWindow;
using vantrel::TrayIcon;

class TestMainWindow final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void presenceBusyDisablesButtonsAndExit()
    {
        MainWindow window;
        auto* ping = window.findChild<QToolButton*>(u"SpeedButton_Ping"_s);
        auto* config = window.findChild<QPushButton*>(u"Button_Config"_s);
        QVERIFY(ping && config);
        QCOMPARE(ping->toolTip(), u"Обновить доступность пользователей   (Shift+F5)"_s);

        QSignalSpy requested(&window, &MainWindow::wholeTreeCheckRequested);
        ping->click();
        QCOMPARE(requested.size(), 1);

        window.setPresenceBusy(true);
        window.setCheckHint(u"Проверка Вася"_s);
        QVERIFY(!ping->isEnabled());
        QVERIFY(!config->isEnabled());
        QCOMPARE(ping->toolTip(), u"Проверка Вася"_s);
        ping->click();
        QCOMPARE(requested.size(), 1);

        window.setPresenceBusy(false);
        QVERIFY(ping->isEnabled() && config->isEnabled());
        QCOMPARE(ping->toolTip(), MainWindow::idleCheckHint());

        TrayIcon tray;
        QAction* exitItem = tray.menu()->findChild<QAction*>(u"PM_Exit"_s);
        QVERIFY(exitItem);
        QSignalSpy exitRequested(&tray, &TrayIcon::exitRequested);
        tray.setExitEnabled(false);
        exitItem->trigger();
        QCOMPARE(exitRequested.size(), 0);
        tray.setExitEnabled(true);
        exitItem->trigger();
        QCOMPARE(exitRequested.size(), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
