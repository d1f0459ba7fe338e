// The real program on a private X server (Xvfb): Ctrl+Alt+R, sent with xdotool, shows and hides
// the main window through the program's own key grab, in any state of NumLock and CapsLock.
// Skipped only where Xvfb or xdotool is missing.

#include "app/programrunner.h"
#include "common/xvfbserver.h"

#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTimeoutMs = 30000;

// Whether a window titled "Vantrel" is mapped on the display.
bool mainWindowVisible(const QString& display)
{
    QProcess search;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, display);
    search.setProcessEnvironment(environment);
    search.start(u"xdotool"_s, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"^Vantrel$"_s});
    return search.waitForFinished(20000) && search.exitCode() == 0 &&
           !search.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace

class TestE2eHotKey final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theMainKeyShowsAndHidesTheWindow()
    {
        if (!XvfbServer::isInstalled() || !XvfbServer::hasXdotool())
            QSKIP("Xvfb and xdotool are needed for this test");
        XvfbServer server;
        QVERIFY(server.start());
        ProgramRunner runner;
        runner.setEnvironment(u"DISPLAY"_s, server.display());
        runner.setEnvironment(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        runner.setEnvironment(u"WAYLAND_DISPLAY"_s, QString());
        runner.setEnvironment(u"XDG_SESSION_TYPE"_s, QString());
        QVERIFY(runner.startInstance({u"--bind"_s, u"127.0.0.151"_s}, true));
        // Without a tray the main window is shown at start.
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowVisible(server.display()), kTimeoutMs);
        const QByteArray errors = runner.instance().readAllStandardError();
        QVERIFY2(!errors.contains("Can not Register HotKey"), errors.constData());

        // The first press brings the window to the front (it is there already), the second
        // hides it, the third shows it again.
        QVERIFY(server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTest::qWait(500);
        QVERIFY(mainWindowVisible(server.display()));
        QVERIFY(server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindowVisible(server.display()), kTimeoutMs);
        QVERIFY(server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowVisible(server.display()), kTimeoutMs);

        // With NumLock and CapsLock on, the same key.
        QVERIFY(server.xdotool({u"key"_s, u"Num_Lock"_s, u"Caps_Lock"_s}));
        QVERIFY(server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(!mainWindowVisible(server.display()), kTimeoutMs);
        QVERIFY(server.xdotool({u"key"_s, u"ctrl+alt+r"_s}));
        QTRY_VERIFY_WITH_TIMEOUT(mainWindowVisible(server.display()), kTimeoutMs);

        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
    }
};

QTEST_GUILESS_MAIN(TestE2eHotKey)
#include "test_e2e_hotkey.moc"
