#include "app/guardedapplication.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

QString readLog(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

// The test drives its own GuardedApplication, so it has its own main().
class TestGuarded final : public QObject {
    Q_OBJECT
public:
    explicit TestGuarded(GuardedApplication<QCoreApplication>& app)
        : m_app(app)
    {}

private Q_SLOTS:
    void errorInHandlerIsLoggedAndLoopGoesOn()
    {
        QTemporaryDir dir;
        LogWriter writer;
        EventLog log(writer, dir.filePath(u"VantrelMsg.log"_s));
        m_app.setEventLog(&log);

        bool laterRan = false;
        QTimer::singleShot(0, this, [] { throw std::runtime_error("broken handler"); });
        QTimer::singleShot(10, this, [&] { laterRan = true; });
        QTRY_VERIFY(laterRan);
        m_app.setEventLog(nullptr);
        QVERIFY2(readLog(log.path()).contains(u" | Error | broken handler\r\n"_s),
                 qPrintable(readLog(log.path())));
    }

    void workerErrorBecomesThreadErrorLine()
    {
        QTemporaryDir dir;
        LogWriter writer;
        EventLog log(writer, dir.filePath(u"VantrelMsg.log"_s));
        bool after = false;
        RunGuarded(log, u"JvThread_Ping"_s, [] { throw std::runtime_error("no route"); });
        RunGuarded(log, u"JvThread_IP"_s, [&] { after = true; });
        QVERIFY(after);
        const QString text = readLog(log.path());
        QVERIFY(text.contains(u" | Thread Error | JvThread_Ping: no route\r\n"_s));
        QVERIFY(!text.contains(u"JvThread_IP"_s));
    }

private:
    GuardedApplication<QCoreApplication>& m_app;
};

int main(int argc, char** argv)
{
    GuardedApplication<QCoreApplication> app(argc, argv);
    TestGuarded test(app);
    return QTest::qExec(&test, argc, argv);
}
#include "test_guarded.moc"
