#include "core/atomicfile.h"
#include "core/datetimetext.h"
#include "core/eventlog.h"
#include "core/logwriter.h"

#include "common/testfiles.h"

#include <QDir>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

const QDateTime kFixed(QDate(2026, 12, 8), QTime(19, 30, 13));

} // namespace

// Whole-file replacement and the line-appending log writer, on real files.
class TestFileWriting final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void atomicWriteReplacesWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.ini"_s);
        writeAll(path, "old contents");
        QVERIFY(WriteFileAtomically(path, "new"));
        QCOMPARE(readAll(path), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.ini"_s});
        QString error;
        QVERIFY(!WriteFileAtomically(dir.filePath(u"no/such/a.ini"_s), "x", &error));
        QVERIFY(!error.isEmpty());
    }

    // A full disk must never replace the old file, whether the new contents are small
    // enough to sit in a write buffer or not.
    void fullDiskKeepsOldFile_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("buffered") << 2000;
        QTest::newRow("large") << 200000;
    }
    void fullDiskKeepsOldFile()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.ini"_s);
        const QByteArray old(150, 'o');
        writeAll(path, old);
        QString error;
        {
            FileSizeLimit limit(200);
            QVERIFY(limit.ok());
            QVERIFY(!WriteFileAtomically(path, QByteArray(size, 'n'), &error));
        }
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.ini"_s});
    }

    void logStartsWithBomHeaderAndEmptyLineOnce()
    {
        QTemporaryDir dir;
        LogWriter writer([] { return kFixed; });
        const QString path = dir.filePath(u"a.log"_s);
        QCOMPARE(writer.append(u"первая"_s, path), LogWriter::Result::Appended);
        QCOMPARE(writer.append(u"second"_s, path), LogWriter::Result::Appended);
        const QByteArray expected = "\xEF\xBB\xBF" + (u"Лог начат: "_s + DateTimeText(kFixed)).toUtf8() +
                                    "\r\n\r\n" + u"первая"_s.toUtf8() + "\r\nsecond\r\n";
        QCOMPARE(readAll(path), expected);
        // A file that exists already gets no header.
        writeAll(path, "old\r\n");
        writer.append(u"new"_s, path);
        QCOMPARE(readAll(path), QByteArray("old\r\nnew\r\n"));
    }

    // A line that only partly fits (the file-size limit stands in for a full disk) is cut off
    // again and reported; a new log whose header does not fit leaves no file.
    void logLineThatDoesNotFitLeavesNoPart()
    {
        QTemporaryDir dir;
        LogWriter writer([] { return kFixed; });
        const QString path = dir.filePath(u"a.log"_s);
        QCOMPARE(writer.append(u"первая"_s, path), LogWriter::Result::Appended);
        const QByteArray before = readAll(path);
        const QString fresh = dir.filePath(u"b.log"_s);
        QString error;
        {
            FileSizeLimit limit(rlim_t(before.size() + 10));
            QVERIFY(limit.ok());
            QCOMPARE(writer.append(QString(100, u'x'), path, &error), LogWriter::Result::Skipped);
            QVERIFY(!error.isEmpty());
            QCOMPARE(readAll(path), before);
        }
        {
            FileSizeLimit limit(8);
            QVERIFY(limit.ok());
            QCOMPARE(writer.append(u"x"_s, fresh), LogWriter::Result::Skipped);
            QVERIFY(!QFile::exists(fresh));
        }
        QCOMPARE(writer.append(u"вторая"_s, path), LogWriter::Result::Appended);
        QCOMPARE(readAll(path), before + u"вторая\r\n"_s.toUtf8());
    }

    // A missing folder is skipped silently; a file that exists but cannot be opened is reported.
    void logOpenFailures()
    {
        QTemporaryDir dir;
        LogWriter writer;
        QStringList told;
        writer.setOpenFailedHandler([&](const QString& p) { told.append(p); });
        const QString missing = dir.filePath(u"missing/c.log"_s);
        QCOMPARE(writer.append(u"x"_s, missing), LogWriter::Result::Skipped);
        QVERIFY(!QFile::exists(missing));
        QVERIFY(told.isEmpty());
        // A folder in the file's place exists but can never be opened for appending, even as root.
        const QString path = dir.filePath(u"d.log"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"d.log"_s));
        QCOMPARE(writer.append(u"x"_s, path), LogWriter::Result::OpenFailed);
        QCOMPARE(told, QStringList{path});
        QCOMPARE(LogWriter::openFailedText(path), u"Файл \""_s + path + u"\" не найден!"_s);
    }

    void concurrentAppendsKeepWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"e.log"_s);
        LogWriter writer;
        constexpr int kThreads = 8;
        constexpr int kLines = 400;
        // Long lines make a torn write far more likely to show.
        const QString filler(300, QChar(u'ж'));
        QList<QThread*> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads << QThread::create([&writer, &path, &filler, t] {
                for (int i = 0; i < kLines; ++i)
                    writer.append(u"T%1-L%2 "_s.arg(t).arg(i) + filler, path);
            });
            threads.constLast()->start();
        }
        for (QThread* th : threads) {
            th->wait();
            delete th;
        }
        const QList<QByteArray> lines = readAll(path).split('\n');
        QVERIFY(lines.constLast().isEmpty());
        QSet<QString> seen;
        for (qsizetype i = 2; i < lines.size() - 1; ++i) {
            const QString text = QString::fromUtf8(lines.at(i));
            QVERIFY2(text.endsWith(filler + u'\r') && text.startsWith(u'T'),
                     qPrintable(u"torn line: "_s + text.left(40)));
            seen.insert(text.section(u' ', 0, 0));
        }
        QCOMPARE(seen.size(), kThreads * kLines);
    }

    void eventLogLines()
    {
        QTemporaryDir dir;
        LogWriter writer([] { return kFixed; });
        EventLog log(writer, dir.filePath(u"VantrelMsg.log"_s));
        log.information(u"Запуск программы: user"_s);
        log.listenError(u": Address in use"_s);
        log.threadError(u"JvThread_Ping"_s, u"boom"_s);
        const QStringList lines = QString::fromUtf8(readAll(log.path())).split(u"\r\n"_s);
        const QString stamp = DateTimeText(kFixed);
        QCOMPARE(lines.mid(2, 3), (QStringList{stamp + u" | Information | Запуск программы: user"_s,
                                               stamp + u" | Listen Error | : Address in use"_s,
                                               stamp + u" | Thread Error | JvThread_Ping: boom"_s}));
    }

    void dateTimeText()
    {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        QCOMPARE(DateTimeText(kFixed, ru), u"08.12.2026 19:30:13"_s);
        // Exactly midnight: the time part is left out, but the time alone is still a time.
        QCOMPARE(DateTimeText(QDateTime(QDate(2026, 12, 8), QTime(0, 0)), ru), u"08.12.2026"_s);
        QCOMPARE(TimeText(QTime(0, 0), ru), u"00:00:00"_s);
        // The whole time, with its day-period suffix.
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(TimeText(QTime(19, 30, 13), us), u"7:30:13 PM"_s);
        QCOMPARE(DateTimeText(kFixed, us).section(u' ', 1), TimeText(QTime(19, 30, 13), us));
        // Whatever the locale, the date has no blank, so the time is everything after the first one.
        for (const QLocale& l : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Czech),
                                 QLocale(QLocale::German), QLocale::c()}) {
            const QString text = DateTimeText(kFixed, l);
            const QString time = text.section(u' ', 1);
            QVERIFY2(time.contains(u"30"_s) && time.contains(u"13"_s) && !text.startsWith(u' '),
                     qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestFileWriting)
#include "test_filewriting.moc"
