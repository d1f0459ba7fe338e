#include "core/itemlist.h"
#include "settings/settings.h"
#include "shell/quickmessages.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::QuickMessages;
using vantrel::Settings;

class TestQuickMessages final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addAndDeleteIgnoreCaseNotBlanks()
    {
        QStringList list;
        QVERIFY(!vantrel::addItemInList(u"   "_s, list, m_ru));
        QVERIFY(vantrel::addItemInList(u"Привет "_s, list, m_ru));
        QVERIFY(!vantrel::addItemInList(u"пРИВЕТ "_s, list, m_ru));
        // Case-insensitive, but not blind to blanks: "Привет" without the blank is another text.
        QVERIFY(vantrel::addItemInList(u"привет"_s, list, m_ru));
        QCOMPARE(list, (QStringList{u"Привет "_s, u"привет"_s})); // stored untrimmed
        // Ё and ё are the same letter in another case.
        QVERIFY(vantrel::addItemInList(u"Ёлка"_s, list, m_ru));
        QVERIFY(!vantrel::addItemInList(u"ёлка"_s, list, m_ru));

        // Deleting removes the last match only.
        list = QStringList{u"Да"_s, u"Нет"_s, u"ДА"_s, u"x"_s};
        QVERIFY(!vantrel::deleteItemFromList(u" "_s, list, m_ru));
        QVERIFY(!vantrel::deleteItemFromList(u"может"_s, list, m_ru));
        QVERIFY(vantrel::deleteItemFromList(u"да"_s, list, m_ru));
        QCOMPARE(list, (QStringList{u"Да"_s, u"Нет"_s, u"x"_s}));
        QVERIFY(vantrel::deleteItemFromList(u"да"_s, list, m_ru));
        QCOMPARE(list, (QStringList{u"Нет"_s, u"x"_s}));
    }

    void changesAreSavedAtOnce()
    {
        // Only the first line of a reply counts, whatever ends it.
        QCOMPARE(QuickMessages::firstLine(u"one\r\ntwo"_s), u"one"_s);
        QCOMPARE(QuickMessages::firstLine(u"one\u2029two"_s), u"one"_s);

        const QString path = m_dir.filePath(u"saved.ini"_s);
        Settings settings(path);
        QuickMessages messages(settings, m_ru);
        QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
        QSignalSpy changed(&messages, &QuickMessages::listChanged);
        QVERIFY(messages.addFirstLine(u"Перезвоню\nпозже"_s));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(),
                 (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s, u"Перезвоню"_s}));

        QVERIFY(!messages.addFirstLine(u"да\nчто-то ещё"_s));
        QVERIFY(!messages.deleteFirstLine(u"\nДа"_s)); // first line blank
        QCOMPARE(changed.size(), 1);
        QVERIFY(messages.deleteFirstLine(u"ДА"_s));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(),
                 (QStringList{u"OK"_s, u"Нет"_s, u"Перезвоню"_s}));
        // Setting the same list again is no change.
        messages.setItems({u"OK"_s, u"Нет"_s, u"Перезвоню"_s});
        QCOMPARE(changed.size(), 2);
    }

    void emptyListSurvivesRestart()
    {
        const QString path = m_dir.filePath(u"empty.ini"_s);
        {
            Settings settings(path);
            QuickMessages messages(settings);
            for (const QString& item : messages.items())
                QVERIFY(messages.deleteFirstLine(item));
        }
        Settings settings(path);
        // An empty list stays empty: the built-in defaults do not come back.
        QVERIFY(QuickMessages(settings).items().isEmpty());
    }

private:
    const QLocale m_ru{QLocale::Russian, QLocale::Russia};
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestQuickMessages)
#include "test_quickmessages.moc"
