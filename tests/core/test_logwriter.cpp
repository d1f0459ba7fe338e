#include "core/datetimetext.h"
#include "core/eventlog.h"
#include "core/logwriter.h"

#include "common/testfiles.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

const QDateTime kFixed(QDate(2026, 12, 8), QTime(19, 30, 13));

} // namespace

class TestLogWriter final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void newFileStartsWithBomHeaderAndEmptyLine()
    {
        QTemporaryDir dir;
        LogWriter writer([] { return kFixed; });
        const QString path = dir.filePath(u"a.log"_s);
        QCOMPARE(writer.append(u"первая"_s, path), LogWriter::Result::Appended);
        QCOMPARE(writer.append(u"second"_s, path), LogWriter::Result::Appended);
        const QByteArray expected = "\xEF\xBB\xBF" + (u"Лог начат: "_s + DateTimeText(kFixed)).toUtf8() +
                                    "\r\n\r\n" + u"первая"_s.toUtf8() + "\r\nsecond\r\n";
        QCOMPARE(readAll(path), expected);
    }

    void existingFileGetsNoSecondHeader()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"b.log"_s);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old\r\n");
        }
        LogWriter writer;
        writer.append(u"new"_s, path);
        QCOMPARE(readAll(path), QByteArray("old\r\nnew\r\n"));
    }

    void missingFolderIsSkippedSilently()
    {
        QTemporaryDir dir;
        LogWriter writer;
        bool told = false;
        writer.setOpenFailedHandler([&](const QString&) { told = true; });
        const QString path = dir.filePath(u"missing/c.log"_s);
        QCOMPARE(writer.append(u"x"_s, path), LogWriter::Result::Skipped);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!told);
    }

    void unopenableFileReportsItsPath()
    {
        QTemporaryDir dir;
        // A folder in the file's place exists but can never be opened for appending, even as root.
        const QString path = dir.filePath(u"d.log"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"d.log"_s));
        LogWriter writer;
        QString toldPath;
        writer.setOpenFailedHandler([&](const QString& p) { toldPath = p; });
        QCOMPARE(writer.append(u"x"_s, path), LogWriter::Result::OpenFailed);
        QCOMPARE(toldPath, path);
        QCOMPARE(LogWriter::openFailedText(path), u"Файл \""_s + path + u"\" не найден!"_s);
    }

    void concurrentAppendsKeepWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"e.log"_s);
        LogWriter writer;
        constexpr int kThreads = 8;
        constexpr int kLines = 400;
        QList<QThread*> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads << QThread::create([&writer, &path, t] {
                // Long lines make a torn write far more likely to show.
                const QString filler(300, QChar(u'ж'));
                for (int i = 0; i < kLines; ++i)
                    writer.append(u"T%1-L%2 "_s.arg(t).arg(i) + filler, path);
            });
        }
        for (QThread* th : threads)
            th->start();
        for (QThread* th : threads) {
            th->wait();
            delete th;
        }
        const QList<QByteArray> lines = readAll(path).split('\n');
        QSet<QString> seen;
        const QString filler(300, QChar(u'ж'));
        for (qsizetype i = 2; i < lines.size(); ++i) {
            QByteArray line = lines.at(i);
            if (line.isEmpty() && i == lines.size() - 1)
                break;
            QVERIFY2(line.endsWith('\r'), "line without CR LF");
            line.chop(1);
            const QString text = QString::fromUtf8(line);
            QVERIFY2(text.endsWith(filler) && text.startsWith(u'T'),
                     qPrintable(u"torn line: "_s + text.left(40)));
            seen.insert(text.section(u' ', 0, 0));
        }
        QCOMPARE(seen.size(), kThreads * kLines);
    }

    void eventLogLineFormat()
    {
        QTemporaryDir dir;
        LogWriter writer([] { return kFixed; });
        EventLog log(writer, dir.filePath(u"VantrelMsg.log"_s));
        log.information(u"Запуск программы: user"_s);
        log.listenError(u": Address in use"_s);
        log.threadError(u"JvThread_Ping"_s, u"boom"_s);
        const QStringList lines = QString::fromUtf8(readAll(log.path())).split(u"\r\n"_s);
        const QString stamp = DateTimeText(kFixed);
        QCOMPARE(lines.value(2), stamp + u" | Information | Запуск программы: user"_s);
        QCOMPARE(lines.value(3), stamp + u" | Listen Error | : Address in use"_s);
        QCOMPARE(lines.value(4), stamp + u" | Thread Error | JvThread_Ping: boom"_s);
    }

    void dateTimeText()
    {
        const QLocale ru(QLocale::Russian, QLocale::Russia);
        QCOMPARE(DateTimeText(kFixed, ru), u"08.12.2026 19:30:13"_s);
        // Exactly midnight: the time part is left out.
        QCOMPARE(DateTimeText(QDateTime(QDate(2026, 12, 8), QTime(0, 0)), ru), u"08.12.2026"_s);
        // Whatever the locale, the date has no blank, so the time is everything after the first one.
        for (const QLocale& l : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Czech),
                                 QLocale(QLocale::German), QLocale::c()}) {
            const QString text = DateTimeText(kFixed, l);
            const QString time = text.section(u' ', 1);
            QVERIFY2(time.contains(u"30"_s) && time.contains(u"13"_s), qPrintable(text));
            QVERIFY2(!text.section(u' ', 0, 0).isEmpty(), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestLogWriter)
#include "test_logwriter.moc"
