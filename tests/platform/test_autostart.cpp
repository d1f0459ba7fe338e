#include "platform/linux/xdgautostart.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::XdgAutostart;

class TestAutostart final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }

    void cleanup() { QDir(m_config.filePath(u"autostart"_s)).removeRecursively(); }

    void addCheckAndDelete()
    {
        XdgAutostart autostart;
        const QString command = autostart.makeCommand(u"/usr/bin/vantrel"_s, u"m"_s);
        QCOMPARE(command, u"\"/usr/bin/vantrel\" m"_s);
        const QString entry = m_config.filePath(u"autostart/VantrelMsg.desktop"_s);
        QCOMPARE(autostart.entryPath(u"VantrelMsg"_s), entry);

        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, command));
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, command));
        QVERIFY(QFile::exists(entry));
        QVERIFY(autostart.isAutorun(u"VantrelMsg"_s, command));

        // The entry is a desktop entry that a session starts.
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("[Desktop Entry]\n"));
        QVERIFY(text.contains("\nType=Application\n"));
        QVERIFY(text.contains("\nName=Vantrel\n"));
        QVERIFY(text.contains("\nExec=\"/usr/bin/vantrel\" m\n"));
        file.close();

        // Adding again replaces the entry and leaves nothing else (no temporary files).
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, u"\"/new/vantrel\" m"_s));
        QVERIFY(autostart.isAutorun(u"VantrelMsg"_s, u"\"/new/vantrel\" m"_s));
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, command));
        QCOMPARE(QDir(m_config.filePath(u"autostart"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"VantrelMsg.desktop"_s});
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, command));

        // Same path in another letter case, another argument, another name: not ours.
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, u"\"/usr/bin/Vantrel\" m"_s));
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, u"\"/usr/bin/vantrel\" M"_s));
        QVERIFY(!autostart.isAutorun(u"Other"_s, command));

        QVERIFY(autostart.deleteAutorun(u"VantrelMsg"_s));
        QVERIFY(!QFile::exists(entry));
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, command));
        // Deleting what is not there is reported, so the caller can tell the user.
        QVERIFY(!autostart.deleteAutorun(u"VantrelMsg"_s));
    }

    void quotesAwkwardPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blank") << u"/opt/my apps/vantrel"_s << u"\"/opt/my apps/vantrel\" m"_s;
        QTest::newRow("dollar and quote") << u"/opt/$x\"y/vantrel"_s << u"\"/opt/\\$x\\\"y/vantrel\" m"_s;
        QTest::newRow("backslash and backtick")
            << u"/opt/a\\b`c/vantrel"_s << u"\"/opt/a\\\\b\\`c/vantrel\" m"_s;
        QTest::newRow("percent") << u"/opt/100%/vantrel"_s << u"\"/opt/100%%/vantrel\" m"_s;
        QTest::newRow("cyrillic") << u"/home/пользователь/vantrel"_s << u"\"/home/пользователь/vantrel\" m"_s;
    }
    void quotesAwkwardPaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        XdgAutostart autostart;
        const QString command = autostart.makeCommand(path, u"m"_s);
        QCOMPARE(command, expected);
        // What is written is read back as the same command, escapes and all.
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, command));
        QVERIFY(autostart.isAutorun(u"VantrelMsg"_s, command));
    }

    void handWrittenEntries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("expected");
        // Blanks around '=' are allowed by the format; only the entry group counts.
        const QByteArray head =
            "# written by hand\n[Desktop Entry]\nType=Application\nExec = \"/usr/bin/vantrel\" m\n";
        QTest::newRow("enabled") << head + "X-GNOME-Autostart-enabled=true\n" << true;
        QTest::newRow("hidden") << head + "Hidden=true\n" << false;
        QTest::newRow("gnome disabled") << head + "X-GNOME-Autostart-enabled=false\n" << false;
        QTest::newRow("exec of an action")
            << QByteArray(
                   "[Desktop Action quit]\nExec=\"/usr/bin/vantrel\" m\n[Desktop Entry]\nType=Application\n")
            << false;
    }
    void handWrittenEntries()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, expected);
        XdgAutostart autostart;
        QVERIFY(QDir().mkpath(m_config.filePath(u"autostart"_s)));
        QFile file(autostart.entryPath(u"VantrelMsg"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        QCOMPARE(autostart.isAutorun(u"VantrelMsg"_s, u"\"/usr/bin/vantrel\" m"_s), expected);
    }

    void refusesNamesOutsideFolder()
    {
        XdgAutostart autostart;
        QVERIFY(!autostart.addAutorun(u"../escape"_s, u"x"_s));
        QVERIFY(!autostart.addAutorun(QString(), u"x"_s));
        QVERIFY(!QFile::exists(m_config.filePath(u"escape.desktop"_s)));
        QVERIFY(!autostart.deleteAutorun(u"../escape"_s));
    }

    void unwritableFolderFails()
    {
        // A file where the autostart folder should be.
        QFile blocker(m_config.filePath(u"autostart"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        XdgAutostart autostart;
        QVERIFY(!autostart.addAutorun(u"VantrelMsg"_s, u"\"/usr/bin/vantrel\" m"_s));
        QVERIFY(blocker.remove());
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TestAutostart)
#include "test_autostart.moc"
