#include "platform/linux/pcspeaker.h"
#include "platform/linux/processsoundplayer.h"
#include "platform/localnames.h"
#include "platform/platformservices.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstring>
#include <linux/input.h>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// The tone values written to a stand-in speaker device, in order.
QList<int> tonesWritten(const QString& device)
{
    QFile file(device);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QList<int> tones;
    for (qsizetype offset = 0; offset + qsizetype(sizeof(input_event)) <= bytes.size();
         offset += sizeof(input_event)) {
        input_event event{};
        std::memcpy(&event, bytes.constData() + offset, sizeof(event));
        if (event.type != EV_SND || event.code != SND_TONE)
            return {-1};
        tones.append(event.value);
    }
    if (bytes.size() % qsizetype(sizeof(input_event)) != 0)
        tones.append(-1);
    return tones;
}

bool writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\nPATH=/usr/bin:/bin\n" + body);
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestDevices final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void speaker()
    {
        const QString device = emptyDevice(u"pcspkr"_s);
        {
            PcSpeaker speaker(device);
            speaker.beep(880, 50);
            // The tone starts at once and beep() does not wait for it to end.
            QCOMPARE(tonesWritten(device), QList<int>{880});
            QTRY_COMPARE(tonesWritten(device), (QList<int>{880, 0}));
            // A new tone replaces a long one; silent values write nothing.
            speaker.beep(440, 60000);
            speaker.beep(660, 50);
            QTRY_COMPARE(tonesWritten(device), (QList<int>{880, 0, 440, 660, 0}));
            speaker.beep(0, 100);
            speaker.beep(440, 0);
            speaker.beep(-5, -5);
            std::unique_ptr<QThread> worker(QThread::create([&speaker] { speaker.beep(1000, 30); }));
            worker->start();
            QVERIFY(worker->wait(5000));
            QTRY_COMPARE(tonesWritten(device), (QList<int>{880, 0, 440, 660, 0, 1000, 0}));
            speaker.beep(440, 60000);
        }
        // Silenced on destruction.
        QCOMPARE(tonesWritten(device), (QList<int>{880, 0, 440, 660, 0, 1000, 0, 440, 0}));

        PcSpeaker missing(m_dir.filePath(u"no/such/device"_s));
        missing.beep(440, 10);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(u"no/such/device"_s)));
    }

    void soundPlayerPicksFirstPlayer()
    {
        const QString bin = m_dir.filePath(u"bin"_s);
        QVERIFY(QDir().mkpath(bin));
        const QByteArray marker = QFile::encodeName(m_dir.filePath(u"played.txt"_s));
        const QByteArray record = "printf '%s\\n' \"$(basename \"$0\")\" \"$@\" > \"" + marker +
                                  ".tmp\" && mv \"" + marker + ".tmp\" \"" + marker + "\"\n";
        const QByteArray savedPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&savedPath] { qputenv("PATH", savedPath); });
        qputenv("PATH", QFile::encodeName(bin));
        const QString wav = m_dir.filePath(u"message.wav"_s);
        QFile sound(wav);
        QVERIFY(sound.open(QIODevice::WriteOnly));
        sound.write("RIFF");
        sound.close();

        // Each player added is preferred to those before it: pw-play, paplay, aplay.
        ProcessSoundPlayer player;
        const QList<QStringList> calls{{u"aplay"_s, u"-q"_s, wav}, {u"paplay"_s, wav}, {u"pw-play"_s, wav}};
        for (const QStringList& call : calls) {
            QVERIFY(writeScript(bin + u'/' + call.first(), record));
            QVERIFY(player.play(wav));
            QTRY_VERIFY(QFile::exists(QFile::decodeName(marker)));
            QFile played(QFile::decodeName(marker));
            QVERIFY(played.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(played.readAll()).split(u'\n', Qt::SkipEmptyParts), call);
            QVERIFY(played.remove());
        }

        // Nothing to play: no process is started.
        QTRY_VERIFY(!player.isPlaying());
        QVERIFY(!player.play(m_dir.filePath(u"missing.wav"_s)));
        QVERIFY(!player.play(m_dir.path()));
        qputenv("PATH", QFile::encodeName(m_dir.filePath(u"empty-bin"_s)));
        QVERIFY(!player.play(wav));
    }

    // A burst of sounds starts one player at a time: what comes while one plays is played
    // once afterwards, not once per request.
    void soundPlayerCoalescesABurst()
    {
        const QString bin = m_dir.filePath(u"slow-bin"_s);
        QVERIFY(QDir().mkpath(bin));
        const QByteArray log = QFile::encodeName(m_dir.filePath(u"plays.log"_s));
        QVERIFY(writeScript(bin + u"/aplay"_s, "echo \"$2\" >> \"" + log + "\"; /bin/sleep 0.3\n"));
        const QByteArray savedPath = qgetenv("PATH");
        const auto restorePath = qScopeGuard([&savedPath] { qputenv("PATH", savedPath); });
        qputenv("PATH", QFile::encodeName(bin));
        const QString first = m_dir.filePath(u"first.wav"_s);
        const QString last = m_dir.filePath(u"last.wav"_s);
        for (const QString& path : {first, last}) {
            QFile wav(path);
            QVERIFY(wav.open(QIODevice::WriteOnly) && wav.write("RIFF") == 4);
        }

        ProcessSoundPlayer player;
        QVERIFY(player.play(first));
        for (int i = 0; i < 200; ++i)
            QVERIFY(player.play(i == 199 ? last : first));
        QCOMPARE(player.startedCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(player.startedCount() == 2 && !player.isPlaying(), 5000);
        QTest::qWait(400);
        QCOMPARE(player.startedCount(), 2);
        QFile played(QFile::decodeName(log));
        QVERIFY(played.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(played.readAll()).split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{first, last}));
    }

    void localNames()
    {
        const LocalNames names = ReadLocalNames();
        QProcess id;
        id.start(u"id"_s, {u"-un"_s});
        QVERIFY(id.waitForFinished(5000));
        QCOMPARE(names.userName, QString::fromLocal8Bit(id.readAllStandardOutput().trimmed()));

        const QString host = QSysInfo::machineHostName();
        QVERIFY(!names.computerName.isEmpty());
        QVERIFY(!names.computerName.contains(u'.'));
        QVERIFY(host == names.computerName || host.startsWith(names.computerName + u'.'));
    }

    void servicesComplete()
    {
        const std::unique_ptr<PlatformServices> services = createPlatformServices();
        QVERIFY(services->autostart && services->keyboardLayout && services->sessionState &&
                services->speaker && services->soundPlayer);
    }

private:
    QString emptyDevice(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
        return path;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestDevices)
#include "test_devices.moc"
