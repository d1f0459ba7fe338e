#pragma once

// The settings dialog over real parts: the settings file and the contact-list file in a
// temporary folder, the real probes, autostart entries in a folder of the test, the sound
// player. Balloons, questions and error boxes of the program are recorded.

#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/fakecontactlisthost.h"
#include "contacts/ui/computerbrowsedialog.h"
#include "platform/linux/linuxicmppinger.h"
#include "platform/linux/processsoundplayer.h"
#include "platform/linux/xdgautostart.h"
#include "presence/nettools.h"
#include "settings/dialog/settingsdialog.h"
#include "settings/settings.h"

#include <QTemporaryDir>

#include <memory>

struct DialogWorld {
    struct Balloon {
        QString text;
        vantrel::ContactListHost::BalloonLevel level;
    };

    // The default list: a contact, a group of two, an empty group.
    static QString sample()
    {
        return QStringLiteral(
            "PC1;Вася;10.0.0.1;1\r\n[ОТДЕЛ]\r\n\tPC2;Петя;10.0.0.2;0\r\n\tPC3;Коля\r\n[ПУСТАЯ]\r\n");
    }

    // With `shared` the dialog edits those settings (an engine's) instead of its own.
    explicit DialogWorld(const QString& contents = sample(), vantrel::Settings* shared = nullptr)
        : settingsPath(shared ? shared->path() : dir.filePath(QStringLiteral("Conf/VantrelMsg.ini")))
        , personal(dir.filePath(QStringLiteral("compnames.vtl")))
        , logFile(dir.filePath(QStringLiteral("Logs/VantrelMsg.log")))
        , ownSettings(shared ? nullptr : std::make_unique<vantrel::Settings>(settingsPath))
        , settings(shared ? *shared : *ownSettings)
        , list(
              (contents.isNull() ? void() : writeAll(personal, "\xEF\xBB\xBF" + contents.toUtf8()), settings),
              host, personal)
        , probes(pinger, {})
        , autostart(dir.filePath(QStringLiteral("autostart")))
    {
        settings.saveAll();
        list.CheckGeneralList();
        list.MySetStatus(0);
    }

    vantrel::SettingsDialog& dialog()
    {
        if (!m_dialog) {
            vantrel::ContactDialogServices dialogs{
                settings, probes,
                [this](const QString& text, vantrel::ContactListHost::BalloonLevel level) {
                    balloons.append({text, level});
                },
                [this](QWidget* parent) {
                    vantrel::NetworkScan::Config scan;
                    scan.outgoing.port = browsePort;
                    return vantrel::BrowseForComputer({probes, scan, nullptr, browseTargets}, parent);
                }};
            m_dialog = std::make_unique<vantrel::SettingsDialog>(vantrel::SettingsDialogServices{
                settings, list, host, std::move(dialogs), autostart, QStringLiteral("VantrelMsg"),
                autostart.makeCommand(QStringLiteral("/opt/vantrel/bin/vantrel"), QStringLiteral("m")),
                logFile, sound, [this](const QString& title, const QString& text) {
                    errorBoxes.append(title + u'|' + text);
                }});
        }
        return *m_dialog;
    }
    // Opens the dialog without its modal loop (buttons close it just the same).
    vantrel::SettingsDialog& open(std::optional<vantrel::SettingsDialog::Page> page = std::nullopt,
                                  int node = -1)
    {
        dialog().prepare(page, node);
        dialog().show();
        return dialog();
    }

    QTemporaryDir dir;
    QString settingsPath;
    QString personal;
    QString logFile;
    std::unique_ptr<vantrel::Settings> ownSettings;
    vantrel::Settings& settings;
    FakeContactListHost host;
    vantrel::ContactList list;
    vantrel::LinuxIcmpPinger pinger;
    vantrel::NetTools probes;
    vantrel::XdgAutostart autostart;
    vantrel::ProcessSoundPlayer sound;
    QList<Balloon> balloons;
    QStringList errorBoxes;
    // What the computer browser scans.
    QList<quint32> browseTargets;
    quint16 browsePort = 0;

private:
    std::unique_ptr<vantrel::SettingsDialog> m_dialog;
};
