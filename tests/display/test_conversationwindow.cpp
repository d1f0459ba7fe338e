#include "core/datetimetext.h"
#include "display/conversationwindow.h"
#include "display/conversationwindows.h"
#include "display/smileyimages.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"
#include "settings/popupsettings.h"

#include "common/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// Records what the windows ask of the program; the contact list is a fixed set of names.
class FakeHost final : public ConversationHost {
public:
    explicit FakeHost(const QString& confDir)
        : m_confDir(confDir)
    {
        table.rebuild(SmileyTable::Set::Builtin, {});
    }

    QString userName() const override { return u"tester"_s; }
    int contactIndex(const QString& target) const override
    {
        return static_cast<int>(contacts.indexOf(target));
    }
    int contactImage(int) const override { return image; }
    QIcon statusIcon(int) const override { return {}; }
    bool isSharedListInUse() const override { return shared; }
    bool isPresenceBusy() const override { return busy; }
    bool isAvailable(Command) const override { return true; }
    void run(ConversationWindow&, Command command) override { commands.append(command); }
    void sendMessage(const QString& target, const QString& text) override { sent.append({target, text}); }
    void offerFiles(ConversationWindow&, const QStringList& files) override { offered.append(files); }
    void showBalloon(const QString&, const QString& text, BalloonLevel) override { balloons.append(text); }
    QString historyPath(const QString& target) const override
    {
        return m_confDir + u'/' + target + u".log"_s;
    }
    QString confDir() const override { return m_confDir; }
    void popupQuickMessages(QPlainTextEdit*, const QPoint&) override {}
    QMenu* createQuickMessageEditMenu(QPlainTextEdit*, QWidget* parent) override { return new QMenu(parent); }
    void chooseSmiley(ConversationWindow&, const QPoint&) override {}
    SmileyImages* smileys() override { return &images; }
    QFont popupFont() const override { return {}; }
    void setPopupFont(const QFont&) override {}
    QString retype(const QString& text) override { return text.toUpper(); }

    QStringList contacts = {u"Вася"_s};
    int image = 1;
    bool shared = false;
    bool busy = false;
    QList<Command> commands;
    QList<QPair<QString, QString>> sent;
    QList<QStringList> offered;
    QStringList balloons;
    FakeSmileyHost smileyHost;
    SmileyTable table{smileyHost};
    SmileyImages images{table, smileyHost};

private:
    QString m_confDir;
};

int pictureCount(const QTextDocument* document)
{
    int pictures = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                pictures += static_cast<int>(it.fragment().length());
        }
    }
    return pictures;
}

} // namespace

class TestConversationWindow final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_host = std::make_unique<FakeHost>(m_dir->path());
        m_windows = std::make_unique<ConversationWindows>(*m_host);
    }
    void cleanup() { m_windows.reset(); }

    void findsWindowsIgnoringCaseAndRefusesBlankTargets()
    {
        ConversationWindow* first = m_windows->ShowPopupForm(u"pc1"_s, false);
        QVERIFY(first && first->isVisible());
        QCOMPARE(m_windows->ShowPopupForm(u"PC1"_s, false), first);
        QCOMPARE(m_windows->windows().size(), 1);
        QCOMPARE(m_windows->ShowPopupForm(u"  "_s, true), nullptr);
        QVERIFY(m_windows->pendingTargets().isEmpty());
    }

    void waitingWindowsOpenNewestFirst()
    {
        QSignalSpy pending(m_windows.get(), &ConversationWindows::pendingChanged);
        m_windows->ShowPopupForm(u"A"_s, true);
        m_windows->ShowPopupForm(u"A"_s, true);
        QCOMPARE(m_windows->pendingTargets(), QStringList{u"A"_s});
        QVERIFY(!m_windows->find(u"A"_s)->isVisible());
        m_windows->ShowPopupForm(u"B"_s, true);
        QCOMPARE(pending.constLast().at(1).toString(), u"B"_s);

        QVERIFY(m_windows->openNextPending());
        QVERIFY(m_windows->find(u"B"_s)->isVisible());
        QVERIFY(!m_windows->find(u"A"_s)->isVisible());
        QCOMPARE(pending.constLast(), (QVariantList{true, u"A"_s}));
        QVERIFY(m_windows->openNextPending());
        QVERIFY(m_windows->find(u"A"_s)->isVisible());
        QCOMPARE(pending.constLast().at(0).toBool(), false);
        QVERIFY(!m_windows->openNextPending());
    }

    void visibleBackgroundWindowIsAlertedNotQueued()
    {
        ConversationWindow* a = m_windows->ShowPopupForm(u"A"_s, false);
        ConversationWindow* b = m_windows->ShowPopupForm(u"B"_s, false);
        QApplication::setActiveWindow(b);
        QTRY_VERIFY(b->isActiveWindow());
        QSignalSpy alerted(m_windows.get(), &ConversationWindows::alerted);
        m_windows->ShowPopupForm(u"A"_s, true);
        QCOMPARE(alerted.size(), 1);
        QCOMPARE(alerted.at(0).at(0).value<ConversationWindow*>(), a);
        // The window in front gets nothing.
        m_windows->ShowPopupForm(u"B"_s, true);
        QCOMPARE(alerted.size(), 1);
        QVERIFY(m_windows->pendingTargets().isEmpty());
    }

    void enterSendsTheReplyAndBlankRepliesAreNot()
    {
        ConversationWindow* window = m_windows->ShowPopupForm(u"Вася"_s, false);
        QPlainTextEdit* reply = window->replyBox();
        reply->setPlainText(u"  \n "_s);
        QTest::keyClick(reply, Qt::Key_Return);
        QVERIFY(m_host->sent.isEmpty());
        QVERIFY(reply->toPlainText().isEmpty());

        reply->insertPlainText(u" привет"_s);
        QTest::keyClick(reply, Qt::Key_Return, Qt::ControlModifier);
        reply->insertPlainText(u"второй"_s);
        const QString before = TimeText(QTime::currentTime());
        QTest::keyClick(reply, Qt::Key_Return);
        const QString after = TimeText(QTime::currentTime());
        QCOMPARE(m_host->sent, (QList<QPair<QString, QString>>{{u"Вася"_s, u" привет\nвторой"_s}}));
        QVERIFY(reply->toPlainText().isEmpty() && reply->isEnabled());
        const QString header = window->viewText().section(u'\n', 0, 0);
        // The header holds the whole long time of the moment it was sent.
        QVERIFY2(header == u"tester ["_s + before + u"]:"_s || header == u"tester ["_s + after + u"]:"_s,
                 qPrintable(header));
        const QTextBlock text = window->view()->document()->lastBlock();
        QCOMPARE(text.charFormat().foreground().color().rgb() & 0xFFFFFF, ConversationWindow::Blue);
    }

    void broadcastRepliesAreCut()
    {
        ConversationWindow* group = m_windows->ShowPopupForm(u"WORKGROUP*"_s, false);
        group->replyBox()->setPlainText(QString(129, u'x'));
        QCOMPARE(group->replyBox()->toPlainText().size(), 128);
        ConversationWindow* contact = m_windows->ShowPopupForm(u"Вася"_s, false);
        contact->replyBox()->setPlainText(QString(500, u'x'));
        QCOMPARE(contact->replyBox()->toPlainText().size(), 500);
    }

    void linesGoToTheEndWithSmileysOnlyInTheNewLine()
    {
        ConversationWindow* window = m_windows->ShowPopupForm(u"Вася"_s, false);
        window->MyAddColorLine(u"первая :)"_s, ConversationWindow::Navy, false);
        QCOMPARE(pictureCount(window->view()->document()), 1);
        // Text that forms a smiley only together with the next line stays text.
        window->MyAddColorLine(u"a :"_s, ConversationWindow::Black, false);
        QTextCursor selection(window->view()->document());
        selection.setPosition(0);
        selection.setPosition(3, QTextCursor::KeepAnchor);
        window->view()->setTextCursor(selection);
        window->MyAddColorLine(u") :( и :D"_s, ConversationWindow::Red, true);
        QCOMPARE(pictureCount(window->view()->document()), 3);
        const QTextBlock last = window->view()->document()->lastBlock();
        QVERIFY(last.text().startsWith(u")"_s));
        QCOMPARE(last.begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
        QCOMPARE(window->view()->document()->blockCount(), 3);
        // A long conversation shows its last line.
        for (int i = 0; i < 60; ++i)
            window->MyAddColorLine(u"строка "_s + QString::number(i), ConversationWindow::Black, false);
        const QScrollBar* bar = window->view()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        // Addresses become links without their closing punctuation.
        window->MyAddColorLine(u"см. www.example.com/a, file:///tmp/b.txt."_s, ConversationWindow::Navy,
                               false);
        QStringList links;
        for (auto it = window->view()->document()->lastBlock().begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isAnchor())
                links.append(it.fragment().charFormat().anchorHref() + u'=' + it.fragment().text());
        }
        QCOMPARE(links, (QStringList{u"http://www.example.com/a=www.example.com/a"_s,
                                     u"file:///tmp/b.txt=file:///tmp/b.txt"_s}));
    }

    void hiddenWindowLosesItsViewVisibleKeepsIt()
    {
        ConversationWindow* hidden = m_windows->ShowPopupForm(u"A"_s, false);
        ConversationWindow* shown = m_windows->ShowPopupForm(u"B"_s, false);
        for (ConversationWindow* window : {hidden, shown}) {
            window->setClearInterval(50);
            window->MyAddColorLine(u"текст"_s, ConversationWindow::Navy, false);
        }
        hidden->close();
        // Shown again before the hour is up, a window keeps its conversation.
        shown->close();
        m_windows->ShowPopupForm(u"B"_s, false);
        QVERIFY(hidden->clearTimer().isActive());
        QTRY_VERIFY(hidden->viewText().isEmpty());
        QVERIFY(!hidden->clearTimer().isActive());
        QTest::qWait(150);
        QCOMPARE(shown->viewText(), u"текст"_s);
        // Queuing a hidden window stops its timer.
        shown->close();
        m_windows->ShowPopupForm(u"B"_s, true);
        QVERIFY(!shown->clearTimer().isActive());
    }

    void contactMenuFollowsTheTarget()
    {
        const auto visible = [](QMenu* menu) {
            QStringList names;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isVisible())
                    names.append(action->text());
            }
            return names;
        };
        // Visible separators: only between visible items.
        const auto separators = [](QMenu* menu) {
            return std::count_if(menu->actions().cbegin(), menu->actions().cend(),
                                 [](const QAction* a) { return a->isSeparator() && a->isVisible(); });
        };
        QCOMPARE(visible(m_windows->window(u"pc1;pc2"_s).contactMenu()), QStringList{u"Послать файл..."_s});
        QCOMPARE(visible(m_windows->window(u"[ОТДЕЛ]"_s).contactMenu()), QStringList{u"Послать файл..."_s});
        QCOMPARE(separators(m_windows->window(u"[ОТДЕЛ]"_s).contactMenu()), 0);
        QCOMPARE(separators(m_windows->window(u"Вася"_s).contactMenu()), 3);
        QCOMPARE(separators(m_windows->window(u"192.168.0.5"_s).contactMenu()), 2);
        const QStringList common = {u"Проверить"_s, u"Ping"_s, u"Послать файл..."_s, u"Информация"_s};
        QCOMPARE(visible(m_windows->window(u"Вася"_s).contactMenu()), common + QStringList{u"Удалить"_s});
        QCOMPARE(visible(m_windows->window(u"pc9"_s).contactMenu()), common + QStringList{u"Добавить"_s});
        QCOMPARE(visible(m_windows->window(u"192.168.0.5"_s).contactMenu()), common);
        m_host->shared = true;
        QCOMPARE(visible(m_windows->window(u"Вася"_s).contactMenu()), common);
        m_host->shared = false;
        m_host->busy = true;
        QVERIFY(!m_windows->window(u"Вася"_s).contactMenu()->actions().constLast()->isEnabled());

        // F5 runs "Проверить" where it is shown, and nowhere else.
        ConversationWindow* window = m_windows->ShowPopupForm(u"Вася"_s, false);
        QTest::keyClick(window->replyBox(), Qt::Key_F5);
        QCOMPARE(m_host->commands, QList<ConversationHost::Command>{ConversationHost::Command::Check});
        QTest::keyClick(m_windows->ShowPopupForm(u"pc1;pc2"_s, false)->replyBox(), Qt::Key_F5);
        QCOMPARE(m_host->commands.size(), 1);
    }

    void dropsOfferFilesOnly()
    {
        ConversationWindow& window = m_windows->window(u"Вася"_s);
        const QString file = m_dir->filePath(u"a.txt"_s);
        writeAll(file, "x");
        window.dropFiles({QUrl::fromLocalFile(m_dir->path())});
        QCOMPARE(m_host->balloons, QStringList{u"Нет файлов для передачи."_s});
        QVERIFY(m_host->offered.isEmpty());
        window.dropFiles({QUrl::fromLocalFile(m_dir->path()), QUrl::fromLocalFile(file)});
        QCOMPARE(m_host->offered, QList<QStringList>{QStringList{file}});
        QCOMPARE(window.filesList(), QStringList{file});
    }

    void workersRunOnceWithTheBusyCursor()
    {
        ConversationWindow& window = m_windows->window(u"Вася"_s);
        QVERIFY(window.beginWork(ConversationHost::Command::Ping));
        QVERIFY(!window.beginWork(ConversationHost::Command::Ping));
        QVERIFY(window.beginWork(ConversationHost::Command::Info));
        QCOMPARE(window.replyBox()->viewport()->cursor().shape(), Qt::BusyCursor);
        window.endWork(ConversationHost::Command::Ping);
        QCOMPARE(window.replyBox()->viewport()->cursor().shape(), Qt::BusyCursor);
        window.endWork(ConversationHost::Command::Info);
        QVERIFY(!window.isWorking());
        QVERIFY(window.replyBox()->viewport()->cursor().shape() != Qt::BusyCursor);
    }

    void keysRetypeQuoteAndMoveToTheReply()
    {
        ConversationWindow* window = m_windows->ShowPopupForm(u"Вася"_s, false);
        window->replyBox()->setPlainText(u"ghbdtn\nвторая"_s);
        QTest::keyClick(window->replyBox(), Qt::Key_F12);
        QCOMPARE(window->replyBox()->toPlainText(), u"GHBDTN\nвторая"_s);

        // Smileys are quoted as their characters, not as object placeholders.
        window->MyAddColorLine(u"цитата :) и :("_s, ConversationWindow::Navy, false);
        QCOMPARE(pictureCount(window->view()->document()), 2);
        window->view()->selectAll();
        window->quoteSelection();
        QCOMPARE(window->replyBox()->toPlainText(), u"GHBDTN\nвторая цитата :) и :("_s);

        QApplication::setActiveWindow(window);
        QTRY_VERIFY(window->isActiveWindow());
        QTest::keyClick(window->replyBox(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(window->viewText().isEmpty());

        window->replyBox()->clear();
        QTest::keyClick(window->view(), Qt::Key_A);
        QCOMPARE(window->replyBox()->toPlainText(), u"a"_s);
        QTest::keyClick(window->replyBox(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    // A smiley chosen for a window in the background brings it back with the reply focused.
    void smileyChoiceBringsTheWindowBack()
    {
        ConversationWindow* first = m_windows->ShowPopupForm(u"A"_s, false);
        ConversationWindow* second = m_windows->ShowPopupForm(u"B"_s, false);
        QApplication::setActiveWindow(second);
        QTRY_VERIFY(second->isActiveWindow());
        first->insertSmiley(u" :)"_s, Qt::NoModifier);
        QCOMPARE(first->replyBox()->toPlainText(), u" :)"_s);
        QTRY_VERIFY(first->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), first->replyBox());

        QApplication::setActiveWindow(second);
        QTRY_VERIFY(second->isActiveWindow());
        first->returnFromSmileys();
        QTRY_VERIFY(first->isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), first->replyBox());
    }

    void placementAndReplyHeightPersist()
    {
        {
            ConversationWindow& window = *m_windows->ShowPopupForm(u"Вася"_s, false);
            window.setGeometry(40, 50, 520, 400);
            QTRY_COMPARE(window.replyBox()->height(), ConversationWindow::DefaultReplyHeight);
            window.close();
        }
        const PopupSettingsFile conf(m_dir->path(), u"Вася"_s);
        QCOMPARE(conf.placement().left, 40);
        QCOMPARE(conf.placement().width(), 520);
        QCOMPARE(conf.memoMessageHeight(0), ConversationWindow::DefaultReplyHeight);
        m_windows = std::make_unique<ConversationWindows>(*m_host);
        QCOMPARE(m_windows->window(u"Вася"_s).geometry().size(), QSize(520, 400));
    }

    void savedRtfHoldsColoursAndPictures()
    {
        ConversationWindow& window = m_windows->window(u"Вася"_s);
        window.MyAddColorLine(u"синий :)"_s, ConversationWindow::Blue, true);
        const QString path = m_dir->filePath(u"out.rtf"_s);
        QVERIFY(window.saveView(path));
        const QByteArray rtf = readAll(path);
        QVERIFY(rtf.startsWith("{\\rtf1") && rtf.contains("\\red0\\green0\\blue255") &&
                rtf.contains("\\pngblip"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<ConversationWindows> m_windows;
};

QTEST_MAIN(TestConversationWindow)
#include "test_conversationwindow.moc"
