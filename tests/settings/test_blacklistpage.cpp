// The black-list page: its buttons and order, and that its edits reach a running listener only
// through OK, whole, while Cancel drops them.

#include "common/modal.h"
#include "common/typing.h"
#include "contacts/ui/inputnamedialog.h"
#include "dialogworld.h"
#include "messaging/engineharness.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"
#include "settings/dialog/blacklistpage.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::BlackListPage;
using vantrel::InputNameDialog;
using Page = vantrel::SettingsDialog::Page;

namespace {

// Answers the next input box with `text` (typed key by key), or cancels it when `text` is null.
void answerInput(const QString& text, QString* caption = nullptr, QString* shown = nullptr)
{
    onNextModal<InputNameDialog>([text, caption, shown](InputNameDialog* box) {
        if (caption)
            *caption = box->windowTitle() + u'|' + box->label()->text();
        if (shown)
            *shown = box->edit()->text();
        if (text.isNull()) {
            box->cancelButton()->click();
            return;
        }
        box->edit()->selectAll();
        typeText(box->edit(), text);
        box->okButton()->click();
    });
}

QByteArray message(const QString& from, const QString& text)
{
    namespace Codec = vantrel::ProtocolCodec;
    return Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text));
}

} // namespace

class TestBlackListPage final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void entriesAreAddedSortedEditedAndDeleted()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::BlackList);
        BlackListPage* page = dialog.blackListPage();
        QVERIFY(!page->deleteButton()->isEnabled() && !page->editButton()->isEnabled());

        QString caption;
        answerInput(u"pc7"_s, &caption);
        page->addButton()->click();
        QCOMPARE(caption, u"Добавить имя компьютера|Введите имя:"_s);
        answerInput(u"Бухгалтерия"_s);
        page->addButton()->click();
        answerInput(u"10.0.0.9"_s);
        page->addButton()->click();
        answerInput(u"ADMIN"_s);
        page->addButton()->click();
        // No duplicate check; cancelled input adds nothing.
        answerInput(u"pc7"_s);
        page->addButton()->click();
        answerInput(QString());
        page->addButton()->click();
        QCOMPARE(page->entries(),
                 (QStringList{u"10.0.0.9"_s, u"ADMIN"_s, u"pc7"_s, u"pc7"_s, u"Бухгалтерия"_s}));
        QVERIFY(page->deleteButton()->isEnabled());

        // "Редактировать" (or a double click) with the entry as the text; the list stays sorted.
        page->list()->setCurrentRow(1);
        QString shown;
        answerInput(u"zeta"_s, &caption, &shown);
        page->editButton()->click();
        QCOMPARE(caption, u"Редактирование ADMIN|Новое имя:"_s);
        QCOMPARE(shown, u"ADMIN"_s);
        QCOMPARE(page->entries(),
                 (QStringList{u"10.0.0.9"_s, u"pc7"_s, u"pc7"_s, u"zeta"_s, u"Бухгалтерия"_s}));

        // Deleting selects the entry at the same place, or the one before the last.
        page->list()->setCurrentRow(1);
        page->deleteButton()->click();
        QCOMPARE(page->list()->currentRow(), 1);
        QCOMPARE(page->list()->currentItem()->text(), u"pc7"_s);
        page->list()->setCurrentRow(3);
        page->deleteButton()->click();
        QCOMPARE(page->list()->currentRow(), 2);
        while (page->list()->count() > 0)
            page->deleteButton()->click();
        QVERIFY(!page->deleteButton()->isEnabled() && !page->editButton()->isEnabled());
        // With nothing selected "Редактировать" does nothing (no input box opens).
        page->editButton()->click();
        dialog.cancelButton()->click();
    }

    void typedSeparatorsAreRefusedWithAWarning()
    {
        DialogWorld w;
        auto& dialog = w.open(Page::BlackList);
        answerInput(u"pc;7]"_s);
        dialog.blackListPage()->addButton()->click();
        QCOMPARE(dialog.blackListPage()->entries(), QStringList{u"pc7"_s});
        QCOMPARE(w.balloons.size(), 2);
        QCOMPARE(w.balloons[0].text, u"Имя не должно содержать специальных символов ; [ ]"_s);
        QCOMPARE(w.balloons[0].level, vantrel::ContactListHost::BalloonLevel::Warning);
        dialog.cancelButton()->click();
    }

    void cancelDropsTheEdits()
    {
        DialogWorld w;
        // An empty list stays empty.
        auto& dialog = w.open(Page::BlackList);
        answerInput(u"pc1"_s);
        dialog.blackListPage()->addButton()->click();
        answerInput(u"pc2"_s);
        dialog.blackListPage()->addButton()->click();
        dialog.cancelButton()->click();
        QVERIFY(w.settings.fmConfig.ListBox_BlackList_Items.value().isEmpty());
        w.open(Page::BlackList);
        QVERIFY(dialog.blackListPage()->entries().isEmpty());
        // A stored list comes back as it was.
        answerInput(u"pc3"_s);
        dialog.blackListPage()->addButton()->click();
        dialog.okButton()->click();
        w.open(Page::BlackList);
        dialog.blackListPage()->list()->setCurrentRow(0);
        dialog.blackListPage()->deleteButton()->click();
        answerInput(u"pc4"_s);
        dialog.blackListPage()->addButton()->click();
        dialog.cancelButton()->click();
        QCOMPARE(w.settings.fmConfig.ListBox_BlackList_Items.value(), QStringList{u"pc3"_s});
        w.open(Page::BlackList);
        QCOMPARE(dialog.blackListPage()->entries(), QStringList{u"pc3"_s});
        dialog.cancelButton()->click();
    }

    void theListenerTakesTheListOnlyOnOk()
    {
        vantrel::test::EngineHarness h;
        DialogWorld w(DialogWorld::sample(), &h.settings);
        const QHostAddress peer(u"127.0.0.2"_s);

        // Refusals go back to the refused address.
        vantrel::test::RequestCatcher refusals(peer, h.answers.port());
        auto& dialog = w.open(Page::BlackList);
        answerInput(u"127.0.0.2"_s);
        dialog.blackListPage()->addButton()->click();
        // Not yet: the dialog is still open.
        vantrel::test::deliver(h, message(u"pc2"_s, u"before OK"_s), peer);
        QCOMPARE(h.host.presented.size(), 1);
        dialog.okButton()->click();
        // An IPv4 entry refuses that address, with the refusal sent back to it.
        vantrel::test::deliver(h, message(u"pc2"_s, u"after OK"_s), peer);
        QTRY_COMPARE(refusals.requests, QList<QByteArray>{"<in_black_list>\r\n"_ba});
        QCOMPARE(h.host.presented.size(), 1);
        // Other addresses still get through.
        vantrel::test::deliver(h, message(u"pc"_s, u"other"_s));
        QCOMPARE(h.host.presented.size(), 2);

        // Removed again but cancelled: still refused.
        w.open(Page::BlackList);
        dialog.blackListPage()->list()->setCurrentRow(0);
        dialog.blackListPage()->deleteButton()->click();
        dialog.cancelButton()->click();
        // (The second refusal within a few seconds is not sent: answers are rate-limited.)
        const int dropped = h.engine->commands().droppedAnswers();
        vantrel::test::deliver(h, message(u"pc2"_s, u"cancelled"_s), peer);
        QCOMPARE(h.engine->commands().droppedAnswers(), dropped + 1);
        QCOMPARE(h.host.presented.size(), 2);
    }
};

QTEST_MAIN(TestBlackListPage)
#include "test_blacklistpage.moc"
