#pragma once

#include "contacts/contactlisthost.h"

#include <QList>
#include <QString>

// Records what the contact list shows and answers its questions from a prepared list
// (No once the list is used up).
class FakeContactListHost final : public vantrel::ContactListHost {
public:
    struct Balloon {
        QString title;
        QString text;
        BalloonLevel level;
    };
    struct Question {
        QString title;
        QString text;
    };

    void showBalloon(const QString& title, const QString& text, BalloonLevel level) override
    {
        balloons.append({title, text, level});
    }
    bool askYesNo(const QString& title, const QString& question) override
    {
        questions.append({title, question});
        return answers.isEmpty() ? false : answers.takeFirst();
    }

    QString lastBalloon() const { return balloons.isEmpty() ? QString() : balloons.last().text; }

    QList<Balloon> balloons;
    QList<Question> questions;
    QList<bool> answers;
};
