// Cutting long messages into Messenger-service pieces, and reading Messenger popup texts.

#include "messaging/messengerpieces.h"
#include "messaging/messengerpopup.h"
#include "messaging/sambamessengertransport.h"
#include "platform/linux/linuxprocessrunner.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

using Generation = MessengerPieceRules::Generation;

// A text of `length` characters whose every position can be told apart.
QString numbered(qsizetype length)
{
    QString text;
    for (qsizetype i = 0; i < length; ++i)
        text += QChar(char16_t(u'a' + i % 26));
    return text;
}

QList<qsizetype> bodySizes(const QStringList& pieces)
{
    QList<qsizetype> sizes;
    for (const QString& piece : pieces)
        sizes.append(piece.endsWith(MessengerContinuationMark) ? piece.size() - 3 : piece.size());
    return sizes;
}

// What a receiver makes of the pieces: every marked piece joined to the next.
QString joined(const QStringList& pieces)
{
    QString text;
    for (const QString& piece : pieces)
        text += piece.endsWith(MessengerContinuationMark) ? piece.chopped(3) : piece;
    return text;
}

void checkMarks(const QStringList& pieces)
{
    for (qsizetype i = 0; i < pieces.size(); ++i)
        QCOMPARE(pieces.at(i).endsWith(MessengerContinuationMark), i + 1 < pieces.size());
}

} // namespace

class TestMessengerPieces final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void piecesOnTheNtFamily_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::newRow("2000: remainder first") << 2000 << QList<qsizetype>{300, 850, 850};
        QTest::newRow("850: one piece") << 850 << QList<qsizetype>{850};
        QTest::newRow("1700: two full pieces") << 1700 << QList<qsizetype>{850, 850};
        QTest::newRow("851") << 851 << QList<qsizetype>{1, 850};
        QTest::newRow("short") << 5 << QList<qsizetype>{5};
    }
    void piecesOnTheNtFamily()
    {
        QFETCH(int, length);
        QFETCH(QList<qsizetype>, sizes);
        const QString text = numbered(length);
        for (Generation generation : {Generation::NT, Generation::XP, Generation::VistaOrLater}) {
            const QStringList pieces =
                SplitMessengerPieces(text, MessengerPieceRules::forGeneration(generation));
            QCOMPARE(bodySizes(pieces), sizes);
            checkMarks(pieces);
            QCOMPARE(joined(pieces), text);
        }
    }

    void piecesOutsideTheNtFamily()
    {
        const auto rules = MessengerPieceRules::forGeneration(Generation::Windows9x);
        const QString text = numbered(250);
        const QStringList pieces = SplitMessengerPieces(text, rules);
        QCOMPARE(bodySizes(pieces), (QList<qsizetype>{51, 101, 98}));
        checkMarks(pieces);
        QCOMPARE(joined(pieces), text);
        // Where the last full piece would take the rest exactly, no empty piece follows and
        // the last piece carries no mark.
        for (qsizetype length : {qsizetype(100), qsizetype(101), qsizetype(10005), qsizetype(10099)}) {
            const QStringList more = SplitMessengerPieces(numbered(length), rules);
            for (const QString& piece : more)
                QVERIFY(piece != MessengerContinuationMark && !piece.isEmpty());
            checkMarks(more);
            QCOMPARE(joined(more), numbered(length));
        }
    }

    void pausesAndSizesByGeneration()
    {
        QCOMPARE(MessengerPieceRules::forGeneration(Generation::XP).pauseMs, 500);
        QCOMPARE(MessengerPieceRules::forGeneration(Generation::NT).pauseMs, 100);
        QCOMPARE(MessengerPieceRules::forGeneration(Generation::VistaOrLater).pieceSize, 850);
        const auto old = MessengerPieceRules::forGeneration(Generation::Windows9x);
        QCOMPARE(old.pieceSize, 100);
        QCOMPARE(old.extra, 1);
        QVERIFY(SplitMessengerPieces(u"", old).isEmpty());
    }

    void cutsNeverSplitACharacterOrALineBreak()
    {
        const auto rules = MessengerPieceRules::forGeneration(Generation::NT);
        // 299 letters and an emoji: the first cut (after 300 units) would fall inside it.
        QString text = numbered(299) + u"😀"_s + numbered(1699);
        QCOMPARE(text.size(), 2000);
        QStringList pieces = SplitMessengerPieces(text, rules);
        QCOMPARE(joined(pieces), text);
        for (const QString& piece : pieces) {
            QVERIFY(!piece.front().isLowSurrogate());
            QVERIFY(
                !piece.chopped(piece.endsWith(MessengerContinuationMark) ? 3 : 0).back().isHighSurrogate());
        }
        // A CR LF across the cut stays together.
        text = numbered(299) + u"\r\n"_s + numbered(1699);
        pieces = SplitMessengerPieces(text, rules);
        QCOMPARE(joined(pieces), text);
        QVERIFY(pieces.at(1).startsWith(u"\r\n"));
    }

    void piecesTooLargeForTheTransportAreCutFurther()
    {
        // 2000 Cyrillic letters are 4000 bytes in UTF-8: smbclient would cut 850-letter pieces.
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QChar(char16_t(u'а' + i % 32));
        text.insert(1000, u"\r\n"_s);
        LinuxProcessRunner runner;
        const SambaMessengerTransport transport(runner);
        const auto fits = [&transport](QStringView piece) { return transport.fits(piece); };
        // What smbclient reads: UTF-8, line breaks as LF, each counting two bytes.
        QVERIFY(transport.fits(QString(750, u'ж')));
        QVERIFY(!transport.fits(QString(751, u'ж')));
        QVERIFY(transport.fits(QString(500, u'\n')));
        QVERIFY(!transport.fits(QString(751, u'\n')));
        const QStringList pieces =
            SplitMessengerPieces(text, MessengerPieceRules::forGeneration(Generation::VistaOrLater), fits);
        QVERIFY(pieces.size() > 3);
        for (const QString& piece : pieces)
            QVERIFY2(fits(piece), qPrintable(QString::number(piece.toUtf8().size())));
        checkMarks(pieces);
        QCOMPARE(joined(pieces), text);
        // An ASCII text fits as it is and keeps the plain pieces.
        QCOMPARE(bodySizes(SplitMessengerPieces(
                     numbered(2000), MessengerPieceRules::forGeneration(Generation::VistaOrLater), fits)),
                 (QList<qsizetype>{300, 850, 850}));
    }

    void russianAndEnglishPopups()
    {
        const MessengerPopup ru =
            parseMessengerPopup(u"Сообщение от PC1 для PC2 на 08.12.2026 19:30:13\r\n\r\nПривет, как дела?"_s,
                                MessengerPopup::Language::Russian);
        QCOMPARE(ru.sender, u"PC1"_s);
        QCOMPARE(ru.date, u"08.12.2026 19:30:13"_s);
        QCOMPARE(ru.message, u"Привет, как дела?"_s);

        const MessengerPopup en = parseMessengerPopup(
            u"Message from SERVER to PC2 on 12/8/2026 7:30:13 PM\r\n\r\nBackup done.\r\nBye"_s,
            MessengerPopup::Language::English);
        QCOMPARE(en.sender, u"SERVER"_s);
        QCOMPARE(en.date, u"12/8/2026 7:30:13 PM"_s);
        QCOMPARE(en.message, u"Backup done.\r\nBye"_s);

        // The words of the other language are not this one's.
        const MessengerPopup wrong = parseMessengerPopup(
            u"Message from SERVER to PC2 on 12/8/2026\r\n\r\nHi"_s, MessengerPopup::Language::Russian);
        QVERIFY(wrong.sender.isEmpty());
        QCOMPARE(wrong.message, u"Hi"_s);
    }

    void popupsWithoutTheExpectedWordsAreStillRead()
    {
        // No words at all: no sender, no date, the message all the same.
        MessengerPopup popup =
            parseMessengerPopup(u"Какой-то заголовок\r\n\r\nтекст"_s, MessengerPopup::Language::Russian);
        QVERIFY(popup.sender.isEmpty());
        QVERIFY(popup.date.isEmpty());
        QCOMPARE(popup.message, u"текст"_s);
        // A text without any line break is all message.
        popup = parseMessengerPopup(u"просто текст"_s, MessengerPopup::Language::Russian);
        QCOMPARE(popup.message, u"просто текст"_s);
        // No blank line after the first: nothing of the message is lost.
        popup = parseMessengerPopup(u"Сообщение от A для B на 1.1.2026\r\nтекст"_s,
                                    MessengerPopup::Language::Russian);
        QCOMPARE(popup.message, u"текст"_s);
        // Without " для ", the sender is the rest of the line after "от ".
        popup = parseMessengerPopup(u"от PC1\r\n\r\nx"_s, MessengerPopup::Language::Russian);
        QCOMPARE(popup.sender, u"PC1"_s);
        // Names holding the letters of the date word: the date is after the last one.
        popup = parseMessengerPopup(u"Сообщение от Ирина для Марина на 08.12.2026 19:30:13\r\n\r\nx"_s,
                                    MessengerPopup::Language::Russian);
        QCOMPARE(popup.sender, u"Ирина"_s);
        QCOMPARE(popup.date, u"08.12.2026 19:30:13"_s);
    }

    void popupLanguageAndLineBreaks()
    {
        QCOMPARE(popupLanguageOf(u"Message from A to B on 1/1/2026\r\n\r\nx"_s),
                 MessengerPopup::Language::English);
        QCOMPARE(popupLanguageOf(u"Сообщение от A для B на 1.1.2026\r\n\r\nx"_s),
                 MessengerPopup::Language::Russian);
        // Only the first line counts.
        QCOMPARE(popupLanguageOf(u"Сообщение от A\r\n\r\nfrom me to you"_s),
                 MessengerPopup::Language::Russian);
        QCOMPARE(withPopupLineBreaks(u"a\nb\r\nc\rd\n\n"_s), u"a\r\nb\r\nc\r\nd\r\n\r\n"_s);
        // Written by a shell script with LF alone, a popup reads as the CR LF form does.
        const MessengerPopup popup = parseMessengerPopup(
            withPopupLineBreaks(u"Message from A to B on 1/1/2026 10:00\n\nline 1\nline 2\n"_s),
            MessengerPopup::Language::English);
        QCOMPARE(popup.sender, u"A"_s);
        QCOMPARE(popup.date, u"1/1/2026 10:00"_s);
        QCOMPARE(popup.message, u"line 1\r\nline 2\r\n"_s);
    }
};

QTEST_GUILESS_MAIN(TestMessengerPieces)
#include "test_messengerpieces.moc"
