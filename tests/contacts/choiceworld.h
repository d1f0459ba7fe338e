#pragma once

#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "fakecontactlisthost.h"
#include "settings/settings.h"

#include <QTemporaryDir>

// A contact list (no file when `contents` is null) and the recipient choice over it. By
// default a group of two, a contact at the top level, an empty group and a group with an
// unreachable member:
//   0 PC1;Вася;10.0.0.1   1 [ОТДЕЛ]   2 PC2;Петя;10.0.0.2   3 PC3;Коля
//   4 [ПУСТАЯ]   5 [СКЛАД]   6 PC6;Лёша;10.0.0.6   7 PC7;Дима;10.0.0.7
struct ChoiceWorld {
    static QString sample()
    {
        return QStringLiteral("PC1;Вася;10.0.0.1\r\n[ОТДЕЛ]\r\n\tPC2;Петя;10.0.0.2\r\n\tPC3;Коля\r\n"
                              "[ПУСТАЯ]\r\n[СКЛАД]\r\n\tPC6;Лёша;10.0.0.6\r\n\tPC7;Дима;10.0.0.7\r\n");
    }
    explicit ChoiceWorld(const QString& contents = sample())
        : settings(dir.filePath(QStringLiteral("Conf/VantrelMsg.ini")))
        , personal(dir.filePath(QStringLiteral("compnames.vtl")))
        , list(
              (contents.isNull() ? void() : writeAll(personal, "\xEF\xBB\xBF" + contents.toUtf8()), settings),
              host, personal)
        , choice(list, settings, host)
    {
        list.CheckGeneralList();
        list.MySetStatus(0);
    }

    QTemporaryDir dir;
    vantrel::Settings settings;
    FakeContactListHost host;
    QString personal;
    vantrel::ContactList list;
    vantrel::RecipientChoice choice;
};
