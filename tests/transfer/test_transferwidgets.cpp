// The transfer windows on the offscreen platform: the progress window watching real transfers,
// the picture viewer and its arithmetic, and the question of an offer.

#include "common/testfiles.h"
#include "settings/settings.h"
#include "transfer/incomingtransfer.h"
#include "transfer/outgoingtransfer.h"
#include "transfer/ui/imageviewlayout.h"
#include "transfer/ui/imageviewwindow.h"
#include "transfer/ui/offerquestion.h"
#include "transfer/ui/progresswindow.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
namespace Layout = vantrel::ImageViewLayout;

namespace {

QString labelText(const QWidget& window, const QString& name)
{
    const auto* label = window.findChild<QLabel*>(name);
    return label ? label->text() : QString();
}

int barValue(const QWidget& window, const QString& name)
{
    const auto* bar = window.findChild<QProgressBar*>(name);
    return bar ? bar->value() : -1;
}

// A transfer being written from bytes handed over in memory, started as the engine starts it.
std::shared_ptr<IncomingTransfer> writing(const QString& destination, qint64 size)
{
    auto transfer = std::make_shared<IncomingTransfer>(u"Петя"_s, destination, size, false, 60000);
    QObject::connect(transfer.get(), &IncomingTransfer::ready, transfer.get(),
                     [raw = transfer.get()] { raw->start(); });
    return transfer;
}

QByteArray encodedPicture(const QSize& size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 80, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

class TestTransferWidgets final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void progressFiguresAsTheWindowShowsThem()
    {
        // 1 MiB 2000 ms after the window was shown; of a 4 MiB file that is a quarter.
        QCOMPARE(ProgressWindow::rateText(1048576, 2000), u"512 КБ"_s);
        QCOMPARE(ProgressWindow::percentOf(1048576, 4194304), 25);
        QCOMPARE(ProgressWindow::rateText(0, 0), u"0 КБ"_s);
        // A file of no bytes is complete, not a division by zero.
        QCOMPARE(ProgressWindow::percentOf(0, 0), 100);
        QCOMPARE(ProgressWindow::rateText(5000LL * 1024 * 1000, 1000),
                 QLocale::system().toString(5000000) + u" КБ"_s);
    }

    void theWritingWindowFollowsTheFileAndClosesItself()
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(u"VantrelMsg.ini"_s));
        const QString destination = dir.filePath(u"приём.bin"_s);
        auto transfer = writing(destination, 4000);
        auto sink = IncomingTransfer::sinkFor(transfer);
        QPointer<ProgressWindow> window = new ProgressWindow(transfer, settings);
        window->show();
        QCOMPARE(window->windowTitle(), u"Запись \"приём.bin\""_s);
        QCOMPARE(window->height(), ProgressWindow::SingleFileHeight);
        QCOMPARE(labelText(*window, u"Label1"_s), u"КБайт/сек:"_s);
        QVERIFY(window->isTimerRunning());

        sink->write(QByteArray(1000, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(labelText(*window, u"lblPercent"_s), u"25 %"_s, 5000);
        QCOMPARE(barValue(*window, u"ProgressBar_File"_s), 25);
        // While the file is written the user cannot close the window.
        window->close();
        QVERIFY(window && window->isVisible());

        window->move(123, 45);
        sink->write(QByteArray(3000, 'y'));
        sink->finish(true, {});
        sink.reset();
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QCOMPARE(readAll(destination).size(), 4000);
        // The place is kept for the next window.
        const WindowPlacement placement = settings.placement(ProgressWindow::SectionName);
        QCOMPARE(QPoint(placement.left, placement.top), QPoint(123, 45));
        QPointer<ProgressWindow> next = new ProgressWindow(writing(dir.filePath(u"next"_s), 1), settings);
        QCOMPARE(next->pos(), QPoint(123, 45));
        delete next;
    }

    void aFailedWriteClosesItsWindow()
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(u"VantrelMsg.ini"_s));
        auto transfer = writing(dir.filePath(u"broken.bin"_s), 4000);
        auto sink = IncomingTransfer::sinkFor(transfer);
        QPointer<ProgressWindow> window = new ProgressWindow(transfer, settings);
        window->show();
        sink->write(QByteArray(100, 'x'));
        sink->finish(false, u"Соединение прервано"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window.isNull(), 5000);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(u"broken"_s).isEmpty());
    }

    void theSendingWindowCountsFilesAndStaysWhenTheLastFails()
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(u"VantrelMsg.ini"_s));
        QTcpServer stand;
        QVERIFY(stand.listen(QHostAddress::LocalHost));
        connect(&stand, &QTcpServer::newConnection, this, [&stand] {
            QTcpSocket* socket = stand.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
        writeAll(dir.filePath(u"a.txt"_s), "aaaa");
        writeAll(dir.filePath(u"b.txt"_s), "bbbbbbbb");
        OutgoingTransfer::Connection connection;
        connection.peer = QHostAddress::LocalHost;
        connection.port = stand.serverPort();
        auto transfer = std::make_shared<OutgoingTransfer>(
            u"Петя"_s, u"PC"_s,
            QList<OutgoingTransfer::Item>{{dir.filePath(u"a.txt"_s), u"D:\\a.txt"_s, u"4"_s},
                                          {dir.filePath(u"b.txt"_s), u"D:\\b.txt"_s, u"8"_s},
                                          {dir.filePath(u"gone.txt"_s), u"D:\\gone.txt"_s, u"1"_s}},
            false, connection);
        QPointer<ProgressWindow> window = new ProgressWindow(transfer, settings);
        window->show();
        QCOMPARE(window->height(), ProgressWindow::ClientHeight);
        QCOMPARE(window->windowTitle(), u"Передача \"a.txt\""_s);
        QStringList captions;
        connect(transfer.get(), &Transfer::fileStarted, window,
                [&] { captions.append(window->windowTitle()); });
        transfer->start();
        QTRY_VERIFY_WITH_TIMEOUT(transfer->isFinished(), 10000);
        QCOMPARE(captions,
                 (QStringList{u"Передача \"a.txt\""_s, u"Передача \"b.txt\""_s, u"Передача \"gone.txt\""_s}));
        QCOMPARE(barValue(*window, u"ProgressBar_Total"_s), 2);
        QTest::qWait(2 * ProgressWindow::TickMs);
        QVERIFY(window && window->isVisible());
        QVERIFY(!window->isTimerRunning());
        window->close();
        QTRY_VERIFY(window.isNull());
    }

    void viewerArithmetic()
    {
        const QRect screen(0, 0, 1024, 768);
        // A small picture is centred in the work area by its own size; the panel's margin is not added.
        const QRect work(0, 0, 1024, 728);
        Layout::Placement small = Layout::initial(screen, work, QSize(400, 300), {}, 16);
        QVERIFY(small.autoSize);
        QCOMPARE(small.window, QRect(312, 214, 400, 300));
        // Panel on the left: a wide picture starts right of it and fills the work width.
        const QRect rightOfPanel(48, 0, 976, 768);
        Layout::Placement wide = Layout::initial(screen, rightOfPanel, QSize(2000, 300), {}, 16);
        QVERIFY(!wide.autoSize);
        QCOMPARE(wide.window, QRect(48, 234, 976, 316));
        // Panel on top, a tall picture: below it, the work height, room for the scroll bar.
        const QRect belowPanel(0, 40, 1024, 728);
        Layout::Placement tall = Layout::initial(screen, belowPanel, QSize(500, 3000), {}, 16);
        QCOMPARE(tall.window, QRect(262, 40, 516, 728));
        // Fitting keeps the proportions with integer arithmetic.
        const Layout::Fit fitted = Layout::fit(QSize(2000, 1000), QSize(976, 700));
        QCOMPARE(fitted.picture, QSize(976, 488));
        QCOMPARE(fitted.client, QSize(976, 488));
        const Layout::Fit byHeight = Layout::fit(QSize(500, 3000), QSize(516, 728));
        QCOMPARE(byHeight.picture, QSize(121, 728));
        QCOMPARE(byHeight.client, QSize(121, 728));
        QCOMPARE(Layout::centred(QRect(48, 234, 976, 316), QSize(976, 488)), QPoint(48, 148));
    }

    void theViewerShowsFitsSavesAndAnswers()
    {
        QTemporaryDir dir;
        const QByteArray bytes = encodedPicture(QSize(3000, 200), "PNG");
        QImage image;
        QVERIFY(image.loadFromData(bytes));
        QPointer<ImageViewWindow> viewer =
            new ImageViewWindow(u"Маша"_s, dir.filePath(u"pictures/Отпуск.png"_s), bytes, image);
        QSignalSpy shown(viewer.data(), &ImageViewWindow::shown);
        viewer->showPicture();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(viewer->windowTitle(), u"Отпуск"_s);
        QCOMPARE(viewer->palette().color(QPalette::Window), QColor(Qt::black));
        const QRect remembered = viewer->rememberedRect();
        const QRect work = viewer->screen()->availableGeometry();
        QCOMPARE(remembered.width(), work.width());
        QCOMPARE(viewer->minimumSize(), viewer->maximumSize());

        // Scaled into the window and centred on its former place; and back.
        const QSize client = viewer->size();
        viewer->toggleFit();
        QVERIFY(viewer->isFitted());
        QCOMPARE(viewer->shownPictureSize(), Layout::fit(QSize(3000, 200), client).picture);
        QCOMPARE(viewer->size(), viewer->shownPictureSize());
        QCOMPARE(viewer->frameGeometry().center().x(), remembered.center().x());
        viewer->toggleFit();
        QCOMPARE(viewer->shownPictureSize(), QSize(3000, 200));
        QCOMPARE(viewer->frameGeometry(), remembered);

        // Saving offers the picture's own type only and writes the bytes as received.
        QCOMPARE(viewer->saveFilter(), u"Файл PNG (*.png)"_s);
        QVERIFY(viewer->saveTo(dir.filePath(u"копия.png"_s)));
        QCOMPARE(readAll(dir.filePath(u"копия.png"_s)), bytes);

        QStringList names;
        for (QAction* action : viewer->menu()->actions())
            names.append(action->isSeparator() ? u"-"_s : action->text());
        QCOMPARE(names,
                 (QStringList{u"Сохранить..."_s, u"В размере окна"_s, u"-"_s, u"Ответить"_s, u"Закрыть"_s}));
        QSignalSpy reply(viewer.data(), &ImageViewWindow::replyRequested);
        viewer->menu()->actions().at(3)->trigger();
        QCOMPARE(reply.size(), 1);
        QCOMPARE(reply.at(0).at(0).toString(), u"Маша"_s);
        QTRY_VERIFY(viewer.isNull());

        QPointer<ImageViewWindow> second =
            new ImageViewWindow(u"Маша"_s, dir.filePath(u"x.jpg"_s), bytes, image);
        second->showPicture();
        QTest::keyClick(second, Qt::Key_Escape);
        QTRY_VERIFY(second.isNull());
    }

    void theQuestionAnswersOnce()
    {
        QTemporaryDir dir;
        QList<TransferHost::Answer> answers;
        const auto record = [&answers](const TransferHost::Answer& a) { answers.append(a); };
        QWidget owner;
        TransferHost::Question question;
        question.kind = TransferHost::Question::Kind::Files;
        question.title = u"Запрос на передачу файлов"_s;
        question.text = u"Петя предлагает принять файлы"_s;
        // The box of the question just asked; answered ones are gone.
        const auto ask = [&] {
            AskOfferQuestion(question, &owner, record);
            const QList<QMessageBox*> boxes = owner.findChildren<QMessageBox*>(u"OfferQuestion"_s);
            return boxes.size() == 1 ? QPointer<QMessageBox>(boxes.constFirst()) : QPointer<QMessageBox>();
        };

        QPointer<QMessageBox> box = ask();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), question.title);
        QCOMPARE(box->text(), question.text);
        QCOMPARE(box->icon(), QMessageBox::Question);
        box->button(QMessageBox::No)->click();
        QTRY_VERIFY(box.isNull());
        QCOMPARE(answers.size(), 1);
        QVERIFY(!answers.at(0).accepted);

        box = ask();
        QVERIFY(box);
        box->button(QMessageBox::Yes)->click();
        QTRY_VERIFY(box.isNull());
        QCOMPARE(answers.size(), 2);
        QVERIFY(answers.at(1).accepted);
        QVERIFY(answers.at(1).destination.isEmpty());

        // Yes, then the folder: the per-sender folder is made and the dialog starts there.
        question.chooseDestination = true;
        question.folder = dir.filePath(u"Received/Петя"_s);
        box = ask();
        QVERIFY(box);
        box->button(QMessageBox::Yes)->click();
        QTRY_VERIFY(box.isNull());
        QPointer<QFileDialog> dialog = owner.findChild<QFileDialog*>();
        QVERIFY(dialog);
        QVERIFY(QFileInfo(question.folder).isDir());
        QCOMPARE(dialog->windowTitle(), u"Выберите папку для сохранения принятых файлов"_s);
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        QCOMPARE(QDir(dialog->directory()).absolutePath(), question.folder);
        QCOMPARE(answers.size(), 2);
        static_cast<QDialog*>(dialog.data())->accept();
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(answers.size(), 3);
        QVERIFY(answers.at(2).accepted);
        QCOMPARE(answers.at(2).destination, question.folder);

        // A question whose window goes away unanswered counts as No.
        {
            auto* shortLived = new QWidget;
            AskOfferQuestion(question, shortLived, record);
            delete shortLived;
        }
        QCOMPARE(answers.size(), 4);
        QVERIFY(!answers.at(3).accepted);
    }
};

QTEST_MAIN(TestTransferWidgets)
#include "test_transferwidgets.moc"
