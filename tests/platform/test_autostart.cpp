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

    void replacesEntry()
    {
        XdgAutostart autostart;
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, u"\"/old/vantrel\" m"_s));
        QVERIFY(autostart.addAutorun(u"VantrelMsg"_s, u"\"/new/vantrel\" m"_s));
        QVERIFY(autostart.isAutorun(u"VantrelMsg"_s, u"\"/new/vantrel\" m"_s));
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, u"\"/old/vantrel\" m"_s));
        // Nothing but the entry is left in the folder (no temporary files).
        QCOMPARE(QDir(m_config.filePath(u"autostart"_s)).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"VantrelMsg.desktop"_s});
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

    void disabledEntryIsNotAutorun_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<bool>("expected");
        QTest::newRow("enabled") << QByteArray("X-GNOME-Autostart-enabled=true") << true;
        QTest::newRow("hidden") << QByteArray("Hidden=true") << false;
        QTest::newRow("gnome disabled") << QByteArray("X-GNOME-Autostart-enabled=false") << false;
    }
    void disabledEntryIsNotAutorun()
    {
        QFETCH(QByteArray, extra);
        QFETCH(bool, expected);
        XdgAutostart autostart;
        QVERIFY(QDir().mkpath(m_config.filePath(u"autostart"_s)));
        QFile file(autostart.entryPath(u"VantrelMsg"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Blanks around '=' are allowed by the format.
        file.write("# written by hand\n[Desktop Entry]\nType=Application\nExec = \"/usr/bin/vantrel\" m\n" +
                   extra + '\n');
        file.close();
        QCOMPARE(autostart.isAutorun(u"VantrelMsg"_s, u"\"/usr/bin/vantrel\" m"_s), expected);
    }

    void execOutsideEntryGroupIgnored()
    {
        XdgAutostart autostart;
        QVERIFY(QDir().mkpath(m_config.filePath(u"autostart"_s)));
        QFile file(autostart.entryPath(u"VantrelMsg"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Action quit]\nExec=\"/usr/bin/vantrel\" m\n[Desktop Entry]\nType=Application\n");
        file.close();
        QVERIFY(!autostart.isAutorun(u"VantrelMsg"_s, u"\"/usr/bin/vantrel\" m"_s));
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
