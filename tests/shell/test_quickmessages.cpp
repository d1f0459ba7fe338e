#include "core/itemlist.h"
#include "settings/inifile.h"
#include "settings/settings.h"
#include "shell/quickmessages.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::IniFile;
using vantrel::QuickMessages;
using vantrel::Settings;

class TestQuickMessages final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addRefusesBlankAndCaseInsensitiveDuplicates();
    void deleteRemovesLastMatchOnly();
    void firstLineOfReply();
    void changesAreSavedAtOnce();
    void emptyListSurvivesRestart();
    void unchangedListIsNotSaved();

private:
    QString iniPath(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestQuickMessages::addRefusesBlankAndCaseInsensitiveDuplicates()
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    QStringList list;
    QVERIFY(!vantrel::addItemInList(u"   "_s, list, ru));
    QVERIFY(!vantrel::addItemInList(QString(), list, ru));
    QVERIFY(list.isEmpty());

    QVERIFY(vantrel::addItemInList(u"Привет "_s, list, ru));
    QCOMPARE(list, QStringList{u"Привет "_s}); // stored untrimmed
    QVERIFY(!vantrel::addItemInList(u"пРИВЕТ "_s, list, ru));
    QVERIFY(!vantrel::addItemInList(u"ok"_s, list << u"OK"_s, ru));
    // Case-insensitive, but not blind to blanks: "Привет" without the blank is another text.
    QVERIFY(vantrel::addItemInList(u"привет"_s, list, ru));
    QCOMPARE(list, (QStringList{u"Привет "_s, u"OK"_s, u"привет"_s}));
    // Ё and ё are the same letter in another case.
    QVERIFY(vantrel::addItemInList(u"Ёлка"_s, list, ru));
    QVERIFY(!vantrel::addItemInList(u"ЁЛКА"_s, list, ru));
    QVERIFY(!vantrel::addItemInList(u"ёлка"_s, list, ru));
}

void TestQuickMessages::deleteRemovesLastMatchOnly()
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    QStringList list{u"Да"_s, u"Нет"_s, u"ДА"_s, u"x"_s};
    QVERIFY(!vantrel::deleteItemFromList(u" "_s, list, ru));
    QVERIFY(!vantrel::deleteItemFromList(u"может"_s, list, ru));
    QCOMPARE(list.size(), 4);

    QVERIFY(vantrel::deleteItemFromList(u"да"_s, list, ru));
    QCOMPARE(list, (QStringList{u"Да"_s, u"Нет"_s, u"x"_s}));
    QVERIFY(vantrel::deleteItemFromList(u"да"_s, list, ru));
    QCOMPARE(list, (QStringList{u"Нет"_s, u"x"_s}));

    QStringList empty;
    QVERIFY(!vantrel::deleteItemFromList(u"x"_s, empty, ru));
}

void TestQuickMessages::firstLineOfReply()
{
    QCOMPARE(QuickMessages::firstLine(u"one\ntwo"_s), u"one"_s);
    QCOMPARE(QuickMessages::firstLine(u"one\r\ntwo"_s), u"one"_s);
    QCOMPARE(QuickMessages::firstLine(u"one\u2029two"_s), u"one"_s);
    QCOMPARE(QuickMessages::firstLine(u"single"_s), u"single"_s);
    QCOMPARE(QuickMessages::firstLine(u"\nsecond"_s), QString());
}

void TestQuickMessages::changesAreSavedAtOnce()
{
    const QString path = iniPath(u"saved.ini"_s);
    Settings settings(path);
    QuickMessages messages(settings, QLocale(QLocale::Russian, QLocale::Russia));
    QCOMPARE(messages.items(), (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s}));
    QSignalSpy changed(&messages, &QuickMessages::listChanged);

    QVERIFY(messages.addFirstLine(u"Перезвоню\nпозже"_s));
    QCOMPARE(changed.size(), 1);
    {
        IniFile ini(path);
        QVERIFY(ini.load());
        QCOMPARE(ini.readStringList(u"VTLForm"_s, u"ListBox_SpeedMsg_Items"_s, {}),
                 (QStringList{u"OK"_s, u"Да"_s, u"Нет"_s, u"Перезвоню"_s}));
    }

    QVERIFY(!messages.addFirstLine(u"да\nчто-то ещё"_s));
    QVERIFY(!messages.deleteFirstLine(u"\nДа"_s)); // first line blank
    QCOMPARE(changed.size(), 1);

    QVERIFY(messages.deleteFirstLine(u"ДА"_s));
    QCOMPARE(changed.size(), 2);
    Settings reread(path);
    QCOMPARE(reread.VTLForm.ListBox_SpeedMsg_Items.value(), (QStringList{u"OK"_s, u"Нет"_s, u"Перезвоню"_s}));
}

void TestQuickMessages::emptyListSurvivesRestart()
{
    const QString path = iniPath(u"empty.ini"_s);
    {
        Settings settings(path);
        QuickMessages messages(settings);
        for (const QString& item : messages.items())
            QVERIFY(messages.deleteFirstLine(item));
        QVERIFY(messages.items().isEmpty());
    }
    Settings settings(path);
    QuickMessages messages(settings);
    // An empty list stays empty: the built-in defaults do not come back.
    QVERIFY(messages.items().isEmpty());
}

void TestQuickMessages::unchangedListIsNotSaved()
{
    const QString path = iniPath(u"unchanged.ini"_s);
    Settings settings(path);
    QuickMessages messages(settings);
    messages.setItems({u"a"_s, u"b"_s});
    QSignalSpy changed(&messages, &QuickMessages::listChanged);
    messages.setItems({u"a"_s, u"b"_s});
    QCOMPARE(changed.size(), 0);
    messages.setItems({u"b"_s, u"a"_s});
    QCOMPARE(changed.size(), 1);
    QCOMPARE(Settings(path).VTLForm.ListBox_SpeedMsg_Items.value(), (QStringList{u"b"_s, u"a"_s}));
}

QTEST_GUILESS_MAIN(TestQuickMessages)
#include "test_quickmessages.moc"
