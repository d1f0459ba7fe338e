#pragma once

#include "messaging/contactlookup.h"
#include "messaging/messaginghost.h"
#include "platform/soundplayer.h"
#include "platform/speaker.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// Recording stand-ins for what the engine shows and plays. There is no PC speaker, tray or
// sound device on the test machine; everything else in the tests is real.
namespace vantrel::test {

class RecordingHost final : public MessagingHost {
public:
    struct Line {
        QString contact, text;
        quint32 rgb;
        bool bold;
    };
    struct Balloon {
        QString title, text;
        BalloonLevel level;
    };
    struct Presented {
        QString contact, time, text;
    };

    void showPopupForm(const QString& contact, bool flash) override { popups.append({contact, flash}); }
    void addPopupLine(const QString& contact, const QString& text, quint32 rgb, bool bold) override
    {
        lines.append({contact, text, rgb, bold});
    }
    void showPopupError(const QString& contact, const QString& text) override
    {
        errors.append({contact, text});
    }
    void showBalloon(const QString& title, const QString& text, BalloonLevel level) override
    {
        balloons.append({title, text, level});
    }
    void setCaption(const QString& text) override { captions.append(text); }
    void hideMainWindow() override { ++hides; }
    void messagePresented(const QString& contact, const QString& time, const QString& text) override
    {
        presented.append({contact, time, text});
    }

    QList<QPair<QString, bool>> popups;
    QList<Line> lines;
    QList<QPair<QString, QString>> errors;
    QList<Balloon> balloons;
    QStringList captions;
    int hides = 0;
    QList<Presented> presented;
};

class RecordingSpeaker final : public Speaker {
public:
    void beep(int frequencyHz, int durationMs) override { beeps.append({frequencyHz, durationMs}); }
    QList<QPair<int, int>> beeps;
};

class RecordingSoundPlayer final : public SoundPlayer {
public:
    bool play(const QString& wavFile) override
    {
        played.append(wavFile);
        return true;
    }
    QStringList played;
};

// A contact list of name -> address pairs; the contact name of an address is its name.
class ListedContacts final : public ContactLookup {
public:
    void add(const QString& name, const QString& address) { m_contacts.append({name, address}); }

    QString nickFor(const QString& nameOrAddress) const override
    {
        for (const auto& [name, address] : m_contacts) {
            if (address == nameOrAddress || name.compare(nameOrAddress, Qt::CaseInsensitive) == 0)
                return name;
        }
        return nameOrAddress;
    }
    int indexOf(const QString& name) const override
    {
        for (qsizetype i = 0; i < m_contacts.size(); ++i) {
            if (m_contacts[i].first.compare(name, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }
    QString addressOf(int index) const override { return m_contacts.value(index).second; }
    void addFavorite(const QString& name) override { favorites.append(name); }

    QStringList favorites;

private:
    QList<QPair<QString, QString>> m_contacts;
};

} // namespace vantrel::test
