#include "core/atomicfile.h"

#include "common/testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAtomicFile final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void replacesWholeFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.ini"_s);
        writeAll(path, "old contents");
        QVERIFY(vantrel::WriteFileAtomically(path, "new"));
        QCOMPARE(readAll(path), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.ini"_s});
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
            QVERIFY(!vantrel::WriteFileAtomically(path, QByteArray(size, 'n'), &error));
        }
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.ini"_s});
    }

    void missingFolderFails()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!vantrel::WriteFileAtomically(dir.filePath(u"no/such/a.ini"_s), "x", &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "test_atomicfile.moc"
