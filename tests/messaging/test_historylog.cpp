#include "common/testfiles.h"
#include "core/datetimetext.h"
#include "core/logwriter.h"
#include "messaging/historylog.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 3, 1), QTime(9, 5, 7));
}

// Every file below `root`, relative to it.
QStringList filesBelow(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(root).relativeFilePath(it.next()));
    return files;
}

} // namespace

class TestHistoryLog final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesTheExactFormat()
    {
        QTemporaryDir dir;
        LogWriter writer(fixedNow);
        HistoryLog history(writer, dir.path());
        const QString now = DateTimeText(fixedNow());
        history.addReceived(u"Вася"_s, u"01.03.2026 09:05:07"_s, u"первая\r\nвторая"_s);
        history.addSent(u"Вася"_s, u"tester"_s, history.nowText(), u"ответ"_s);
        const QByteArray expected = "\xEF\xBB\xBF"_ba + (u"Лог начат: "_s + now).toUtf8() + "\r\n\r\n" +
                                    u"Вася [01.03.2026 09:05:07]: первая\r\nвторая\r\n"_s.toUtf8() +
                                    (u"tester ["_s + now + u"]: ответ\r\n"_s).toUtf8();
        QCOMPARE(readAll(dir.path() + u"/Вася.log"_s), expected);

        // A missing folder is skipped silently, nothing is created.
        HistoryLog lost(writer, dir.path() + u"/missing"_s);
        lost.addReceived(u"pc"_s, u"d"_s, u"lost"_s);
        QCOMPARE(filesBelow(dir.path()), QStringList{u"Вася.log"_s});
    }

    // An entry that cannot be written is reported with its file, never dropped in silence;
    // the other contacts' logs go on.
    void failedWritesAreReported()
    {
        QTemporaryDir dir;
        LogWriter writer(fixedNow);
        QStringList failures;
        HistoryLog history(writer, dir.path(), [&](const QString& path, const QString& error) {
            failures.append(path + u'|' + error);
        });
        QVERIFY(QDir(dir.path()).mkdir(u"pc1.log"_s));
        history.addReceived(u"pc1"_s, u"d"_s, u"lost"_s);
        history.addReceived(u"pc2"_s, u"d"_s, u"kept"_s);
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.constFirst().startsWith(history.pathFor(u"pc1"_s) + u'|'));
        QVERIFY(readAll(history.pathFor(u"pc2"_s)).endsWith("kept\r\n"));

        HistoryLog lost(writer, dir.path() + u"/missing"_s,
                        [&](const QString& path, const QString&) { failures.append(path); });
        lost.addSent(u"pc3"_s, u"me"_s, lost.nowText(), u"lost"_s);
        QCOMPARE(failures.size(), 2);
    }

    // Contact names compare without case, Linux file names do not: one contact, one log.
    void namesDifferingInCaseShareOneLog()
    {
        QTemporaryDir dir;
        LogWriter writer(fixedNow);
        HistoryLog history(writer, dir.path());
        history.addReceived(u"PC-12"_s, u"d"_s, u"one"_s);
        history.addSent(u"pc-12"_s, u"me"_s, u"d"_s, u"two"_s);
        history.addReceived(u"Сервер"_s, u"d"_s, u"три"_s);
        history.addReceived(u"СЕРВЕР"_s, u"d"_s, u"четыре"_s);
        QCOMPARE(filesBelow(dir.path()).size(), 2);
        QVERIFY(readAll(dir.path() + u"/PC-12.log"_s).endsWith("PC-12 [d]: one\r\nme [d]: two\r\n"));
        QCOMPARE(history.pathFor(u"сервер"_s), dir.path() + u"/Сервер.log"_s);
        QVERIFY(readAll(history.pathFor(u"сервер"_s)).contains(u"четыре"_s.toUtf8()));
    }

    void unsafeNamesStayInTheLogsFolder_data()
    {
        QTest::addColumn<QString>("contact");
        QTest::newRow("parent folders") << u"../../outside"_s;
        QTest::newRow("absolute path") << u"/tmp/evil"_s;
        QTest::newRow("windows separators") << u"..\\..\\evil"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("own event log") << u"VantrelMsg"_s;
        QTest::newRow("over-long") << QString(400, u'я');
    }
    void unsafeNamesStayInTheLogsFolder()
    {
        QFETCH(QString, contact);
        QTemporaryDir dir;
        const QString logs = dir.path() + u"/Logs"_s;
        QVERIFY(QDir().mkpath(logs));
        LogWriter writer(fixedNow);
        HistoryLog history(writer, logs);
        const QString path = history.pathFor(contact);
        QVERIFY(QFileInfo(path).fileName() != u"VantrelMsg.log"_s);

        history.addReceived(contact, u"d"_s, u"text"_s);
        const QStringList files = filesBelow(dir.path());
        QCOMPARE(files.size(), 1);
        QVERIFY2(files[0].startsWith(u"Logs/"_s) && !files[0].mid(5).contains(u'/'), qPrintable(files[0]));
        // The entry keeps the contact's real name.
        QVERIFY(readAll(path).endsWith((contact + u" [d]: text\r\n"_s).toUtf8()));
    }
};

QTEST_GUILESS_MAIN(TestHistoryLog)
#include "test_historylog.moc"
