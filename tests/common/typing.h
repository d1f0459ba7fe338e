#pragma once

// Typing any text, Cyrillic included, key by key: QTest::keyClicks only knows Latin-1 keys.

#include <QString>
#include <QTest>
#include <QWidget>

inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const QString one(c);
        const Qt::Key key =
            c.unicode() < 0x80 && c.isLetterOrNumber() ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Press, widget, key, one, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, one, Qt::NoModifier);
    }
}
