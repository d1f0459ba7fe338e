// Real copies of the program exchange files and pictures on 127.0.0.1xx: headless copies with
// automatic acceptance, handed their files with `vantrel --send-files`, and the windowed
// program in this process on the offscreen platform, where the questions are answered.

#include "app/engine.h"
#include "app/gui/conversationservices.h"
#include "app/gui/transferwindows.h"
#include "app/gui/windowedmode.h"
#include "app/programrunner.h"
#include "display/conversationwindow.h"
#include "display/conversationwindows.h"
#include "messaging/historylog.h"
#include "messaging/messagingengine.h"
#include "messaging/protocolcodec.h"
#include "settings/settings.h"
#include "transfer/transferengine.h"
#include "transfer/ui/imageviewwindow.h"
#include "transfer/ui/progresswindow.h"

#include "common/privatefolders.h"
#include "common/testfiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::WindowedMode;

namespace {

constexpr int kTimeoutMs = 30000;

const PrivateFolders privateFolders;

QString computerName()
{
    return QSysInfo::machineHostName().section(u'.', 0, 0);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray content(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 13 + seed * 7 + i / 101) & 0xFF);
    return bytes;
}

bool writeList(const QString& path, const QStringList& lines)
{
    return writeFile(path, "\xEF\xBB\xBF" + (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8());
}

// A real headless copy bound to `address`.
class Copy final {
public:
    // `autoAccept`: files from its contacts are taken without a question.
    bool start(const QString& address, const QStringList& list, bool autoAccept)
    {
        m_address = address;
        if (!writeList(m_runner.baseDir() + u"/compnames.vtl"_s, list))
            return false;
        {
            QDir().mkpath(m_runner.baseDir() + u"/Conf"_s);
            vantrel::Settings settings(m_runner.settingsFile());
            settings.fmConfig.Checkbox_AutoContact_Checked.setValue(autoAccept);
            settings.fmConfig.Edit_AutoFolder_Text.setValue(receiveFolder());
        }
        // The start line comes before the listener opens: started means listening.
        return m_runner.startInstance({u"--headless"_s, u"--bind"_s, address}, true) &&
               QTest::qWaitFor(
                   [&address] {
                       QTcpSocket socket;
                       socket.connectToHost(QHostAddress(address), vantrel::ProtocolCodec::DefaultPort);
                       return socket.waitForConnected(1000);
                   },
                   kTimeoutMs);
    }
    bool quit() { return m_runner.runToEnd({u"--quit"_s}) == 0 && m_runner.waitForInstanceEnd() == 0; }
    int sendFiles(const QStringList& args, QByteArray* err = nullptr)
    {
        return m_runner.runToEnd(QStringList{u"--send-files"_s} + args, nullptr, err);
    }
    QString receiveFolder() const { return m_runner.dataHome() + u"/Received"_s; }
    QString file(const QString& name) const { return m_runner.dataHome() + u"/Outbox/"_s + name; }
    bool reported(const QString& text)
    {
        m_err += m_runner.instance().readAllStandardError();
        return m_err.contains(text.toUtf8());
    }
    QString eventLog() const { return QString::fromUtf8(readAll(m_runner.eventLog())); }

private:
    ProgramRunner m_runner;
    QString m_address;
    QByteArray m_err;
};

// The windowed program bound to `address`, with `lines` as its contact list.
class WindowedCopy final {
public:
    WindowedCopy(const QString& address, const QStringList& lines)
        : m_paths(vantrel::AppPaths::forBase(m_dir.filePath(u"Vantrel"_s)))
        , m_listWritten(writeList(m_paths.contactsFile, lines))
        , m_mode(commandLine(address), m_paths)
    {
        m_mode.start();
        m_mode.engine().settings().fmConfig.Edit_AutoFolder_Text.setValue(m_dir.filePath(u"Received"_s));
    }
    Q_DISABLE_COPY_MOVE(WindowedCopy)
    bool isReady() const { return m_listWritten && m_dir.isValid(); }
    WindowedMode& mode() { return m_mode; }
    QString receiveFolder() const { return m_dir.filePath(u"Received"_s); }

private:
    static vantrel::CommandLine commandLine(const QString& address)
    {
        vantrel::CommandLine line;
        line.bindAddress = address;
        return line;
    }

    QTemporaryDir m_dir;
    vantrel::AppPaths m_paths;
    bool m_listWritten;
    WindowedMode m_mode;
};

// The question box of an offer, once it is showing.
QMessageBox* offerQuestion()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box && box->objectName() == u"OfferQuestion"_s && box->isVisible())
            return box;
    }
    return nullptr;
}

} // namespace

class TestE2eTransfer final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void headlessCopiesExchangeFilesHandedOverFromTheShell()
    {
        Copy receiver;
        Copy sender;
        QVERIFY(receiver.start(u"127.0.0.131"_s, {computerName() + u";Отправитель;127.0.0.132"_s}, true));
        QVERIFY(sender.start(u"127.0.0.132"_s, {u"PCR;Получатель;127.0.0.131"_s}, false));

        // One file.
        const QByteArray one = content(2 * 1024 * 1024 + 3, 1);
        QVERIFY(writeFile(sender.file(u"годовой отчёт.pdf"_s), one));
        QCOMPARE(sender.sendFiles({u"Получатель"_s, sender.file(u"годовой отчёт.pdf"_s)}), 0);
        const QString folder = receiver.receiveFolder() + u"/Отправитель"_s;
        QTRY_VERIFY_WITH_TIMEOUT(
            receiver.reported(u"vantrel: received file "_s + folder + u"/годовой отчёт.pdf"_s), kTimeoutMs);
        QCOMPARE(readAll(folder + u"/годовой отчёт.pdf"_s), one);
        QTRY_VERIFY_WITH_TIMEOUT(
            sender.reported(u"vantrel: sent file "_s + sender.file(u"годовой отчёт.pdf"_s)), kTimeoutMs);

        // A set of eleven, one of them empty.
        QStringList files{u"Получатель"_s};
        for (int i = 0; i < 11; ++i) {
            QVERIFY(writeFile(sender.file(u"часть %1.dat"_s.arg(i)), content(i * 40000, i)));
            files.append(sender.file(u"часть %1.dat"_s.arg(i)));
        }
        QCOMPARE(sender.sendFiles(files), 0);
        for (int i = 0; i < 11; ++i) {
            const QString path = folder + u"/часть %1.dat"_s.arg(i);
            QTRY_VERIFY_WITH_TIMEOUT(receiver.reported(u"vantrel: received file "_s + path), kTimeoutMs);
            QCOMPARE(readAll(path), content(i * 40000, i));
        }
        QVERIFY(receiver.eventLog().count(u" | Error | "_s) == 0);

        // Whoever is not a contact gets nothing, and the user hears why.
        QCOMPARE(sender.sendFiles({u"Незнакомец"_s, sender.file(u"часть 1.dat"_s)}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(sender.reported(u"\"Незнакомец\" нет в списке контактов"_s), kTimeoutMs);

        // The hand-over itself fails for a file that is not there.
        QByteArray err;
        QCOMPARE(sender.sendFiles({u"Получатель"_s, sender.file(u"нет такого"_s)}, &err), 1);
        QVERIFY2(err.startsWith("vantrel: no such file: "), err.constData());
        QCOMPARE(err.count('\n'), 1);

        // Without automatic acceptance a headless copy refuses what it would have to ask about.
        QVERIFY(receiver.quit());
        Copy asking;
        QVERIFY(asking.start(u"127.0.0.131"_s, {computerName() + u";Отправитель;127.0.0.132"_s}, false));
        QCOMPARE(sender.sendFiles({u"Получатель"_s, sender.file(u"часть 2.dat"_s)}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(sender.reported(u"Получатель отказался принять файл \"часть 2.dat\""_s),
                                 kTimeoutMs);
        QVERIFY(asking.reported(u"Запрос на передачу файла: refused"_s));
        QVERIFY(!QFileInfo::exists(asking.receiveFolder() + u"/Отправитель/часть 2.dat"_s));
        QVERIFY(asking.quit());
        QVERIFY(sender.quit());

        // No running copy: nothing to hand over to.
        QCOMPARE(sender.sendFiles({u"Получатель"_s, sender.file(u"часть 1.dat"_s)}, &err), 1);
        QCOMPARE(err, "vantrel: no running copy to hand the files to\n"_ba);
    }

    void theWindowedProgramAsksShowsAndOffers()
    {
        Copy partner;
        QVERIFY(partner.start(u"127.0.0.136"_s, {computerName() + u";Окно;127.0.0.135"_s}, true));
        WindowedCopy copy(u"127.0.0.135"_s, {computerName() + u";Партнёр;127.0.0.136"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        mode.engine().settings().fmConfig.Checkbox_AutoContact_Checked.setValue(false);
        mode.engine().settings().fmConfig.CheckBox_Popup_Checked.setValue(false);
        vantrel::TransferWindows* windows = mode.transferWindows();
        QVERIFY(windows);
        QSignalSpy viewers(windows, &vantrel::TransferWindows::viewerOpened);

        // A picture from the partner: asked in the partner's window, shown, not kept.
        QImage image(640, 360, QImage::Format_RGB32);
        image.fill(QColor(30, 120, 200));
        QDir().mkpath(QFileInfo(partner.file(u"Море.jpg"_s)).path());
        QVERIFY(image.save(partner.file(u"Море.jpg"_s), "JPG"));
        QCOMPARE(partner.sendFiles({u"Окно"_s, partner.file(u"Море.jpg"_s)}), 0);
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = offerQuestion()) != nullptr, kTimeoutMs);
        QCOMPARE(box->windowTitle(), u"Запрос на передачу картинки"_s);
        QVERIFY(box->text().startsWith(u"Партнёр предлагает принять картинку \"Море.jpg\" ("_s));
        QCOMPARE(box->parentWidget(), &mode.conversation(u"Партнёр"_s));
        QCOMPARE(mode.pendingConversations(), QStringList{u"Партнёр"_s});
        box->button(QMessageBox::Yes)->click();
        QTRY_COMPARE_WITH_TIMEOUT(viewers.size(), 1, kTimeoutMs);
        auto* viewer = qobject_cast<vantrel::ImageViewWindow*>(viewers.at(0).at(0).value<QWidget*>());
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), u"Море"_s);
        QVERIFY(!QFileInfo::exists(viewer->receivedPath()));
        QVERIFY(!QFileInfo::exists(QFileInfo(viewer->receivedPath()).path()));
        QVERIFY(!mode.conversation(u"Партнёр"_s).viewText().contains(u"Принят файл"_s));
        const QString picturesFolder = QFileInfo(QFileInfo(viewer->receivedPath()).path()).path();
        viewer->close();

        // A "picture" that is none: no viewer, an Error line, and the file is gone all the same.
        QVERIFY(writeFile(partner.file(u"Фальшивка.jpg"_s), "not a picture at all"));
        QCOMPARE(partner.sendFiles({u"Окно"_s, partner.file(u"Фальшивка.jpg"_s)}), 0);
        QTRY_VERIFY_WITH_TIMEOUT((box = offerQuestion()) != nullptr, kTimeoutMs);
        box->button(QMessageBox::Yes)->click();
        const QString eventLog = mode.engine().eventLog().path();
        QTRY_VERIFY_WITH_TIMEOUT(readAll(eventLog).contains(u"Не могу открыть картинку"_s.toUtf8()),
                                 kTimeoutMs);
        QCOMPARE(viewers.size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(picturesFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty(), kTimeoutMs);

        // A file after the question: the line with its link in the partner's window.
        QVERIFY(writeFile(partner.file(u"смета.xlsx"_s), content(300000, 5)));
        QCOMPARE(partner.sendFiles({u"Окно"_s, partner.file(u"смета.xlsx"_s)}), 0);
        QTRY_VERIFY_WITH_TIMEOUT((box = offerQuestion()) != nullptr, kTimeoutMs);
        QCOMPARE(box->windowTitle(), u"Запрос на передачу файла"_s);
        box->button(QMessageBox::Yes)->click();
        const QString received = copy.receiveFolder() + u"/Партнёр/смета.xlsx"_s;
        vantrel::ConversationWindow& window = mode.conversation(u"Партнёр"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"Принят файл \"смета.xlsx\" file:"_s),
                                 kTimeoutMs);
        QCOMPARE(readAll(received), content(300000, 5));
        QVERIFY(readAll(mode.engine().messaging().history().pathFor(u"Партнёр"_s))
                    .contains(u"Принят файл \"смета.xlsx\""_s.toUtf8()));

        // Files dropped on the window go to the partner, which takes them by itself.
        const QString outgoing = QFileInfo(copy.receiveFolder()).path() + u"/Исходящие/план.txt"_s;
        QVERIFY(writeFile(outgoing, content(5000, 9)));
        window.dropFiles({QUrl::fromLocalFile(outgoing), QUrl::fromLocalFile(QFileInfo(outgoing).path())});
        QVERIFY(window.viewText().contains(u"Ожидание передачи файла \"план.txt\"..."_s));
        const QString arrived = partner.receiveFolder() + u"/Окно/план.txt"_s;
        QTRY_VERIFY_WITH_TIMEOUT(partner.reported(u"vantrel: received file "_s + arrived), kTimeoutMs);
        QCOMPARE(readAll(arrived), content(5000, 9));
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"Передан файл \""_s + outgoing + u'"'),
                                 kTimeoutMs);
        QVERIFY(partner.quit());
    }
};

QTEST_MAIN(TestE2eTransfer)
#include "test_e2e_transfer.moc"
