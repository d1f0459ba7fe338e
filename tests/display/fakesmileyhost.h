#pragma once

#include "display/smileyhost.h"

#include <QList>
#include <QString>

// Records the balloons of the smiley parts; the main window's caption is fixed.
class FakeSmileyHost final : public vantrel::SmileyHost {
public:
    struct Balloon {
        QString title;
        QString text;
        BalloonLevel level;
    };

    void showBalloon(const QString& title, const QString& text, BalloonLevel level) override
    {
        balloons.append({title, text, level});
    }
    QString mainWindowCaption() const override { return caption; }

    QStringList texts() const
    {
        QStringList result;
        for (const Balloon& b : balloons)
            result.append(b.text);
        return result;
    }

    QString caption = QStringLiteral("Vantrel - test");
    QList<Balloon> balloons;
};
