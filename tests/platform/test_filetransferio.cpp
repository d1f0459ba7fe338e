// The platform's file-transfer calls on real sockets and files: sending a file over a
// connection, receiving one into a folder, and the private folders of received pictures.

#include "common/testfiles.h"
#include "platform/descriptors.h"
#include "platform/filereceiver.h"
#include "platform/filesender.h"
#include "platform/privatefolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

QByteArray bytesOf(qint64 size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 31 + i / 977);
    return data;
}

// A connected pair: the writing end stays a QTcpSocket, the reading end is a raw descriptor.
struct Connection {
    Connection()
    {
        if (!server.listen(QHostAddress::LocalHost))
            qFatal("cannot listen");
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        if (!client.waitForConnected(5000) || !server.waitForNewConnection(5000))
            qFatal("cannot connect");
        QTcpSocket* accepted = server.nextPendingConnection();
        descriptor = DuplicateDescriptor(accepted->socketDescriptor());
        accepted->abort();
        delete accepted;
    }
    void send(const QByteArray& bytes, bool close)
    {
        client.write(bytes);
        while (client.bytesToWrite() > 0 && client.waitForBytesWritten(5000)) {
        }
        if (close)
            client.disconnectFromHost();
    }
    QTcpServer server;
    QTcpSocket client;
    qintptr descriptor = -1;
};

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

} // namespace

class TestFileTransferIo final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void sendsHeaderAndFileAndClosesEachTime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"данные.bin"_s);
        writeAll(path, bytesOf(300000));
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray received;
        QTcpSocket* peer = nullptr;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [&] { received += peer->readAll(); });
        });
        FileSendRequest request;
        request.peer = QHostAddress::LocalHost;
        request.port = server.serverPort();
        request.header = "<VTL_FILE>\r\nline\r\n";
        request.path = path;
        TransferControl control;
        qint64 opened = -1;
        FileSendResult result;
        std::thread worker(
            [&] { result = SendFileOverTcp(request, control, [&](qint64 size) { opened = size; }); });
        QTRY_VERIFY_WITH_TIMEOUT(peer && peer->state() == QAbstractSocket::UnconnectedState, 20000);
        worker.join();
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(opened, 300000);
        QCOMPARE(control.bytes.load(), 300000);
        QCOMPARE(received, "<VTL_FILE>\r\nline\r\n" + bytesOf(300000));

        // A file that is gone: the header went out, the connection closes with nothing after it.
        received.clear();
        peer = nullptr;
        request.path = dir.filePath(u"missing.bin"_s);
        worker = std::thread([&] { result = SendFileOverTcp(request, control, {}); });
        QTRY_VERIFY_WITH_TIMEOUT(peer && peer->state() == QAbstractSocket::UnconnectedState, 20000);
        worker.join();
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(u"Не могу открыть файл \""_s + request.path + u'"'),
                 qPrintable(result.error));
        QCOMPARE(received, request.header);

        // Nobody listens: the error names the address.
        const quint16 port = server.serverPort();
        server.close();
        request.port = port;
        result = SendFileOverTcp(request, control, {});
        QVERIFY(!result.ok);
        QVERIFY2(result.error.startsWith(u"Не могу соединиться с 127.0.0.1"_s), qPrintable(result.error));
    }

    void receivesExactlyTheAnnouncedBytes()
    {
        QTemporaryDir dir;
        Connection c;
        c.send(bytesOf(200000).mid(5000), true);
        FileReceiver receiver(dir.path(), u"итог.bin"_s);
        QString error;
        QVERIFY(receiver.create(&error));
        QVERIFY(receiver.temporaryName().startsWith(u".vantrel-"_s));
        TransferControl control;
        const FileReceiver::Result result =
            receiver.receive(c.descriptor, bytesOf(200000).left(5000), 200000, control);
        QCOMPARE(result.outcome, FileReceiver::Outcome::Complete);
        // Nothing under the final name until the commit.
        QCOMPARE(entries(dir.path()), QStringList{receiver.temporaryName()});
        QVERIFY(receiver.commit(&error));
        QCOMPARE(entries(dir.path()), QStringList{u"итог.bin"_s});
        QCOMPARE(readAll(dir.filePath(u"итог.bin"_s)), bytesOf(200000));
        QCOMPARE(control.bytes.load(), 200000);
    }

    void aFailedReceiveLeavesTheFolderAsItWas()
    {
        QTemporaryDir dir;
        writeAll(dir.filePath(u"old.txt"_s), "old");
        const auto attempt = [&dir](const QByteArray& sent, qint64 size, bool close, int idleMs) {
            Connection c;
            c.send(sent, close);
            FileReceiver receiver(dir.path(), u"old.txt"_s);
            QString error;
            if (!receiver.create(&error))
                return FileReceiver::Outcome::WriteFailed;
            TransferControl control;
            control.idleTimeoutMs = idleMs;
            return receiver.receive(c.descriptor, {}, size, control).outcome;
        };
        QCOMPARE(attempt(bytesOf(999), 1000, true, 5000), FileReceiver::Outcome::ClosedEarly);
        QCOMPARE(attempt(bytesOf(1001), 1000, true, 5000), FileReceiver::Outcome::TooLong);
        QCOMPARE(attempt(bytesOf(10), 1000, false, 300), FileReceiver::Outcome::Idle);
        {
            FileSizeLimit full(64 * 1024);
            QVERIFY(full.ok());
            QCOMPARE(attempt(bytesOf(200000), 200000, true, 5000), FileReceiver::Outcome::WriteFailed);
        }
        QCOMPARE(entries(dir.path()), QStringList{u"old.txt"_s});
        QCOMPARE(readAll(dir.filePath(u"old.txt"_s)), "old"_ba);
    }

    void theFinalNameIsReplacedNeverFollowed()
    {
        QTemporaryDir dir;
        const QString outside = dir.filePath(u"outside.txt"_s);
        writeAll(outside, "outside");
        QDir().mkdir(dir.filePath(u"in"_s));
        QVERIFY(QFile::link(outside, dir.filePath(u"in/target.txt"_s)));
        Connection c;
        c.send("new", true);
        FileReceiver receiver(dir.filePath(u"in"_s), u"target.txt"_s);
        QString error;
        QVERIFY(receiver.create(&error));
        TransferControl control;
        QCOMPARE(receiver.receive(c.descriptor, {}, 3, control).outcome, FileReceiver::Outcome::Complete);
        QVERIFY(receiver.commit(&error));
        QCOMPARE(readAll(outside), "outside"_ba);
        QVERIFY(!QFileInfo(dir.filePath(u"in/target.txt"_s)).isSymLink());
        QCOMPARE(readAll(dir.filePath(u"in/target.txt"_s)), "new"_ba);
        // A folder that is missing is reported, nothing is made.
        FileReceiver nowhere(dir.filePath(u"absent"_s), u"x"_s);
        QVERIFY(!nowhere.create(&error));
        QVERIFY2(error.contains(u"absent"_s), qPrintable(error));
    }

    void privateFoldersAreClosedToOthers()
    {
        QTemporaryDir runtime;
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString folder = PrivateFolder(u"pictures"_s);
        QCOMPARE(folder, runtime.path() + u"/vantrel-pictures"_s);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        // An own folder that was opened up is closed again.
        QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther);
        QCOMPARE(PrivateFolder(u"pictures"_s), folder);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        // A link standing at the name is not taken.
        QVERIFY(QFile::link(runtime.path(), runtime.path() + u"/vantrel-clipboard"_s));
        QVERIFY(!PrivateFolder(u"clipboard"_s).startsWith(runtime.path()));
        qputenv("XDG_RUNTIME_DIR", saved);
    }
};

QTEST_GUILESS_MAIN(TestFileTransferIo)
#include "test_filetransferio.moc"
