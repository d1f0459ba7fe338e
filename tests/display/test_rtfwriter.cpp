#include "display/rtfwriter.h"
#include "display/smileyimages.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"

#include "common/testfiles.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

const QUrl SmileyUrl(u"vantrel-smiley://test/smile.gif"_s);

// A conversation as the window writes it: a red bold header, red text with a smiley, a blue
// bold header and blue text with a line break, braces and a backslash.
void fillConversation(QTextDocument& document)
{
    QImage smiley(19, 22, QImage::Format_ARGB32);
    smiley.fill(QColor(255, 200, 0));
    document.addResource(QTextDocument::ImageResource, SmileyUrl, smiley);
    QTextCursor cursor(&document);
    QTextCharFormat header;
    header.setFontWeight(QFont::Bold);
    header.setForeground(QColor(255, 0, 0));
    QTextCharFormat text;
    text.setForeground(QColor(255, 0, 0));
    cursor.insertText(u"Иван (12:00:05)"_s, header);
    cursor.insertBlock();
    cursor.insertText(u"Привет, Ёжик! "_s, text);
    QTextImageFormat picture;
    picture.setName(SmileyUrl.toString());
    cursor.insertImage(picture);
    cursor.insertText(u" как дела?"_s, text);
    cursor.insertBlock();
    header.setForeground(QColor(0, 0, 255));
    text.setForeground(QColor(0, 0, 255));
    cursor.insertText(u"Я (12:01:00)"_s, header);
    cursor.insertBlock();
    cursor.insertText(u"Нормально {скобки} C:\\путь"_s + QChar::LineSeparator + u"вторая строка"_s, text);
}

QString decodeEntities(QString html)
{
    static const QRegularExpression entity(u"&#(\\d+);"_s);
    QRegularExpressionMatch match;
    while ((match = entity.match(html)).hasMatch())
        html.replace(match.capturedStart(), match.capturedLength(), QChar(match.captured(1).toInt()));
    return html.replace(u"&amp;"_s, u"&"_s);
}

} // namespace

class TestRtfWriter final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a reader needs beyond the text, which unrtfReadsTextColoursAndPicture checks.
    void rtfIsPlainAsciiWithTables()
    {
        QTextDocument document;
        fillConversation(document);
        const QByteArray rtf = RtfWriter::toRtf(document);

        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
        for (const char c : rtf)
            QVERIFY2(static_cast<unsigned char>(c) < 0x80, "RTF must be 7-bit");
        // Braces balance once escaped ones are left out.
        int depth = 0;
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            if (rtf.at(i) == '\\') {
                ++i;
                continue;
            }
            depth += rtf.at(i) == '{' ? 1 : rtf.at(i) == '}' ? -1 : 0;
            QVERIFY(depth >= 0);
        }
        QCOMPARE(depth, 0);
        // "П" is U+041F, its code-page byte 0xCF follows as the fallback.
        QVERIFY(rtf.contains("\\u1055\\'cf"));
        QCOMPARE(rtf.count("\\pict\\pngblip"), 1);
        QVERIFY(rtf.contains("\\picwgoal285\\pichgoal330"));

        // An empty document still names the default font that \deff0 refers to.
        const QTextDocument empty;
        QVERIFY(RtfWriter::toRtf(empty).contains("{\\fonttbl{\\f0"));
    }

    void unrtfReadsTextColoursAndPicture()
    {
        const QString unrtf = QStandardPaths::findExecutable(u"unrtf"_s);
        if (unrtf.isEmpty())
            QSKIP("unrtf is not installed (scripts/install-deps.sh installs it)");

        QTemporaryDir dir;
        QTextDocument document;
        fillConversation(document);
        const QString path = dir.filePath(u"История сообщений VTL.rtf"_s);
        QString error;
        QVERIFY2(RtfWriter::write(document, path, &error), qPrintable(error));

        QProcess process;
        process.setWorkingDirectory(dir.path()); // unrtf writes the pictures beside it
        process.start(unrtf, {u"--html"_s, path});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        const QString html = decodeEntities(QString::fromUtf8(process.readAllStandardOutput()));

        for (const QString& expected : {u"<b>Иван (12:00:05)</b>"_s, u"Привет, Ёжик!"_s, u"как дела?"_s,
                                        u"<b>Я (12:01:00)</b>"_s, u"Нормально {скобки} C:\\путь"_s,
                                        u"вторая строка"_s, u"color=\"#ff0000\""_s, u"color=\"#0000ff\""_s}) {
            QVERIFY2(html.contains(expected), qPrintable(expected + u"\n"_s + html));
        }
        // The smiley sits between its neighbours, and its picture comes back as PNG.
        static const QRegularExpression img(u"Ёжик!.*<img src=\"([^\"]+)\">.*как дела"_s,
                                            QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch match = img.match(html);
        QVERIFY2(match.hasMatch(), qPrintable(html));
        const QImage extracted(QDir(dir.path()).filePath(match.captured(1)));
        QCOMPARE(extracted.size(), QSize(19, 22));
        QCOMPARE(extracted.pixelColor(5, 5), QColor(255, 200, 0));
    }

    void builtinSmileysBecomePictures()
    {
        FakeSmileyHost host;
        SmileyTable table(host);
        table.rebuild(SmileyTable::Set::Builtin, QString());
        SmileyImages images(table, host);
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(u"Привет :) и :( пока"_s);
        QCOMPARE(images.drawSmileys(&document, 0, document.characterCount() - 1), 2);

        const QByteArray rtf = RtfWriter::toRtf(document);
        QCOMPARE(rtf.count("\\pict\\pngblip"), 2);
        // The first picture's data decodes to the picture the document shows for ":)".
        static const QRegularExpression pict(u"\\\\pngblip[^ \\n]*\\n([0-9a-f\\n]+)\\}"_s);
        const QRegularExpressionMatch match = pict.match(QString::fromLatin1(rtf));
        QVERIFY(match.hasMatch());
        const QImage decoded = QImage::fromData(QByteArray::fromHex(match.captured(1).toLatin1()), "PNG");
        const QVariant shown = document.resource(QTextDocument::ImageResource, SmileyImages::builtinUrl(0));
        const QImage expected =
            shown.typeId() == QMetaType::QPixmap ? shown.value<QPixmap>().toImage() : shown.value<QImage>();
        QCOMPARE(decoded.convertToFormat(QImage::Format_ARGB32),
                 expected.convertToFormat(QImage::Format_ARGB32));
        QVERIFY(host.balloons.isEmpty());
    }

    void failedWriteKeepsOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"saved.rtf"_s);
        writeAll(path, "old");
        QTextDocument document;
        fillConversation(document);
        QString error;
        QVERIFY(!RtfWriter::write(document, dir.filePath(u"missing/folder/x.rtf"_s), &error));
        QVERIFY(!error.isEmpty());

        // A disk that fills up mid-write: failure is reported and the old file stays as it was.
        {
            FileSizeLimit limit(200);
            QVERIFY(limit.ok());
            QVERIFY(!RtfWriter::write(document, path, &error));
        }
        QCOMPARE(readAll(path), QByteArray("old"));
    }
};

QTEST_MAIN(TestRtfWriter)
#include "test_rtfwriter.moc"
