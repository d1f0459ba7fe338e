#include "display/smileyimages.h"
#include "display/smileytable.h"
#include "fakesmileyhost.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>

using namespace Qt::StringLiterals;
using vantrel::SmileyImages;
using vantrel::SmileyTable;

namespace {

QString defaultSetDir()
{
    return QString::fromUtf8(VANTREL_SOURCE_DATA_DIR) + u"/Smiles/Default"_s;
}

// Appends a line the way a conversation view does and returns where it starts.
int appendLine(QTextDocument& doc, const QString& text)
{
    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    if (!doc.isEmpty())
        cursor.insertBlock();
    const int start = cursor.position();
    cursor.insertText(text);
    return start;
}

// The document's pictures in order: their resource names.
QStringList pictureNames(const QTextDocument& doc)
{
    QStringList names;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                for (int i = 0; i < it.fragment().length(); ++i)
                    names.append(format.toImageFormat().name());
            }
        }
    }
    return names;
}

QImage resourceImage(const QTextDocument& doc, const QString& name)
{
    return doc.resource(QTextDocument::ImageResource, QUrl(name)).value<QPixmap>().toImage();
}

} // namespace

class TestSmileyImages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_host.balloons.clear();
    }

    // Every picture the default set names decodes, and every one of them is animated.
    void defaultSetPicturesDecode()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, defaultSetDir() + u"/Smiles.ini"_s);
        QVERIFY(table.count() > 0);
        for (const auto& entry : table.entries()) {
            QImageReader reader(entry.fileName);
            QVERIFY2(reader.canRead(), qPrintable(entry.fileName));
            QCOMPARE(reader.format(), QByteArray("gif"));
            QMovie movie(entry.fileName);
            QVERIFY(movie.isValid());
            QVERIFY2(movie.frameCount() > 1, qPrintable(entry.fileName));
            QSet<size_t> distinct;
            for (int i = 0; i < movie.frameCount(); ++i) {
                QVERIFY(movie.jumpToFrame(i));
                const QImage frame = movie.currentImage();
                QVERIFY(!frame.isNull());
                // A round face: transparent corners, an opaque middle.
                QCOMPARE(qAlpha(frame.pixel(0, 0)), 0);
                QCOMPARE(qAlpha(frame.pixel(frame.width() / 2, frame.height() / 2)), 255);
                distinct.insert(qHashBits(frame.constBits(), frame.sizeInBytes()));
            }
            QVERIFY2(distinct.size() > 1, qPrintable(entry.fileName));
        }
    }

    void builtinPictures()
    {
        SmileyTable table(m_host);
        SmileyImages images(table, m_host);
        QSet<size_t> distinct;
        for (int i = 0; i < SmileyTable::BuiltinCount; ++i) {
            const QImage image = images.builtinImage(i);
            QCOMPARE(image.size(), QSize(SmileyImages::BuiltinWidth, SmileyImages::BuiltinHeight));
            QCOMPARE(qAlpha(image.pixel(9, 12)), 255);
            distinct.insert(qHashBits(image.constBits(), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), size_t(SmileyTable::BuiltinCount));
        QVERIFY(images.builtinImage(SmileyTable::BuiltinCount).isNull());
        QVERIFY(images.builtinImage(-1).isNull());
    }

    // Only the new line is searched; the rest of its text stays as it was.
    void builtinDrawingOnlyInTheNewLine()
    {
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::Builtin, QString());
        SmileyImages images(table, m_host);
        QTextDocument doc;
        const int first = appendLine(doc, u"старое :)"_s);
        QCOMPARE(first, 0);
        const int start = appendLine(doc, u"Привет :) и :devil, и:)"_s);
        QCOMPARE(images.drawSmileys(&doc, start, doc.characterCount() - 1), 2);
        QCOMPARE(doc.toPlainText(), u"старое :)\nПривет\uFFFC и\uFFFCevil, и:)"_s);
        QCOMPARE(pictureNames(doc), (QStringList{SmileyImages::builtinUrl(0).toString(),
                                                 SmileyImages::builtinUrl(5).toString()}));
        QCOMPARE(resourceImage(doc, SmileyImages::builtinUrl(5).toString())
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                 images.builtinImage(5).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        QTextCursor at(&doc);
        at.setPosition(start + 7);
        const QTextImageFormat format = at.charFormat().toImageFormat();
        QCOMPARE(format.verticalAlignment(), QTextCharFormat::AlignBottom);
        QCOMPARE(int(format.width()), SmileyImages::BuiltinWidth);
    }

    void externalDrawingSharesOneMovie()
    {
        const QString set = writeSet({u"smile.gif"_s, u"laugh.gif"_s});
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, set);
        QCOMPARE(table.count(), 2);
        SmileyImages images(table, m_host);
        QTextDocument a;
        QTextDocument b;
        const QString line = QString(u"x :) y :D "_s).repeated(50);
        const int startA = appendLine(a, line);
        QCOMPARE(images.drawSmileys(&a, startA, a.characterCount() - 1), 100);
        const int startB = appendLine(b, line);
        QCOMPARE(images.drawSmileys(&b, startB, b.characterCount() - 1), 100);
        QCOMPARE(pictureNames(a).size(), 100);
        QCOMPARE(a.toPlainText(), QString(u"x \uFFFC y \uFFFC "_s).repeated(50));
        // One animation per picture file, however many pictures and documents.
        QCOMPARE(images.findChildren<QMovie*>().size(), 2);
        QCOMPARE(pictureNames(b).first(), images.imageUrl(table.entries()[0].fileName).toString());
        QVERIFY(m_host.balloons.isEmpty());
    }

    // A vanished or unreadable picture leaves its text, with one balloon per line.
    void unreadablePictureStaysText()
    {
        const QString set = writeSet({u"smile.gif"_s, u"laugh.gif"_s});
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, set);
        SmileyImages images(table, m_host);
        const QString smile = table.entries()[0].fileName;
        const QString laugh = table.entries()[1].fileName;
        QVERIFY(QFile::remove(smile));
        {
            QFile broken(laugh);
            QVERIFY(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
            broken.write("not a picture at all");
        }
        QTextDocument doc;
        const int start = appendLine(doc, u"a :) b :) c :D"_s);
        QCOMPARE(images.drawSmileys(&doc, start, doc.characterCount() - 1), 0);
        QCOMPARE(doc.toPlainText(), u"a :) b :) c :D"_s);
        QCOMPARE(m_host.balloons.size(), 2);
        QCOMPARE(m_host.balloons[0].title, m_host.caption);
        QCOMPARE(m_host.balloons[0].text, u"Файл \""_s + smile + u"\" не найден!"_s);
        QVERIFY(!m_host.balloons[1].text.isEmpty());
        QVERIFY(!m_host.balloons[1].text.contains(u"не найден"_s));

        QTextCursor cursor(&doc);
        cursor.setPosition(2);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        QVERIFY(!images.insertSmileyPicture(cursor, smile));
        QCOMPARE(m_host.balloons.size(), 3);
        QCOMPARE(doc.toPlainText(), u"a :) b :) c :D"_s);
    }

    // Animations run while a view shows them, frames reach the document, and they pause
    // when the view is hidden or cleared.
    void animationFollowsVisibility()
    {
        const QString set = writeSet({u"smile.gif"_s, u"laugh.gif"_s});
        SmileyTable table(m_host);
        table.rebuild(SmileyTable::Set::External, set);
        SmileyImages images(table, m_host);
        const QString laugh = table.entries()[1].fileName;
        QTextBrowser view;
        images.attachView(&view);
        appendLine(*view.document(), u"a line without smileys"_s);
        const int start = appendLine(*view.document(), u"ха :D"_s);
        QCOMPARE(images.drawSmileys(view.document(), start, view.document()->characterCount() - 1), 1);
        const QString name = images.imageUrl(laugh).toString();
        const QImage first = resourceImage(*view.document(), name);
        QVERIFY(!first.isNull());
        QTest::qWait(50);
        QVERIFY(!images.isAnimating(laugh));

        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(images.isAnimating(laugh));
        QTRY_VERIFY(resourceImage(*view.document(), name) != first);
        // Frame changes repaint the block of the picture, not the whole view.
        QSignalSpy repaints(view.document()->documentLayout(), &QAbstractTextDocumentLayout::update);
        QTRY_VERIFY(!repaints.isEmpty());
        const QRectF area = repaints.last().at(0).toRectF();
        auto* layout = view.document()->documentLayout();
        QCOMPARE(area, layout->blockBoundingRect(view.document()->lastBlock()));
        QVERIFY(!area.intersects(layout->blockBoundingRect(view.document()->firstBlock())));
        QVERIFY(!images.isAnimating(table.entries()[0].fileName));

        view.hide();
        QTRY_VERIFY(!images.isAnimating(laugh));
        view.show();
        QTRY_VERIFY(images.isAnimating(laugh));
        view.clear();
        QTRY_VERIFY(!images.isAnimating(laugh));
    }

private:
    // A set file in a temporary folder naming copies of default pictures, with the
    // sequences ":)" and ":D" in this order.
    QString writeSet(const QStringList& files)
    {
        const QStringList chars = {u":)"_s, u":D"_s};
        QString ini;
        for (int i = 0; i < files.size(); ++i) {
            QFile::remove(m_dir.filePath(files[i]));
            if (!QFile::copy(defaultSetDir() + u'/' + files[i], m_dir.filePath(files[i])))
                return {};
            ini += u"[S%1]\r\nFileName=%2\r\nChars=%3\r\nLabel=L%1\r\n"_s.arg(i).arg(files[i], chars[i]);
        }
        const QString path = m_dir.filePath(u"Smiles.ini"_s);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write("\xEF\xBB\xBF" + ini.toUtf8());
        return path;
    }

    QTemporaryDir m_dir;
    FakeSmileyHost m_host;
};

QTEST_MAIN(TestSmileyImages)
#include "test_smileyimages.moc"
