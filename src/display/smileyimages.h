#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

class QMovie;
class QTextDocument;
class QTextEdit;
class QWidget;

namespace vantrel {

class SmileyHost;
class SmileyTable;

// The pictures of both smiley sets and their drawing into rich text.
//
// Built-in set: 33 still pictures of 19 x 22 pixels from the program's resources.
// External set: one QMovie per picture file, shared by every document and picker that shows
// it, so a long conversation full of the same animated smiley costs one animation. In a
// document a picture is an image object whose resource (named by imageUrl()) is replaced
// by the movie's current frame on every frame change; only the blocks that hold such pictures
// are repainted, and at most every FrameInterval ms. A movie runs only while a visible view
// (attachView) or widget (attachWidget) shows it, and is paused otherwise.
//
// UI thread only.
class SmileyImages final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmileyImages)

public:
    static constexpr int BuiltinWidth = 19;
    static constexpr int BuiltinHeight = 22;
    // Coalesces the repaints of all frame changes into one per view and interval.
    static constexpr int FrameInterval = 30;

    SmileyImages(const SmileyTable& table, SmileyHost& host, QObject* parent = nullptr);
    ~SmileyImages() override;

    // Built-in picture `index` (0 to 32); a null image outside that range.
    QImage builtinImage(int index) const;

    // The shared animation of a picture file, loaded on first use; nullptr when the file
    // cannot be read as a picture (`error`, if given, then says why).
    QMovie* movie(const QString& path, QString* error = nullptr);
    // The document resource name of an external picture, or of built-in picture `index`.
    QUrl imageUrl(const QString& path) const;
    static QUrl builtinUrl(int index);

    // Draws the smileys of the table within [from, to) of the document: every sequence the
    // table names (findSmileys) is replaced by its picture, aligned to the bottom of the line.
    // An external picture whose file is missing or unreadable leaves its text, after the
    // balloon "Файл \"path\" не найден!" or one with the reading error (once per picture
    // and call). Returns the number of pictures inserted.
    int drawSmileys(QTextDocument* document, int from, int to);

    // Puts the animated picture from `path` in place of the cursor's selection. Returns false,
    // after the balloon, when the file is missing or cannot be read; the text stays.
    bool insertSmileyPicture(QTextCursor& cursor, const QString& path);

    // The selected text of `cursor` with every smiley picture written as the characters it
    // stands for; other objects are left out.
    static QString selectedText(const QTextCursor& cursor);

    // Keeps the animations in the view's document running while the view is visible.
    void attachView(QTextEdit* view);
    // Keeps the given animations running while the widget is visible (the picker).
    void attachWidget(QWidget* widget, const QList<QMovie*>& movies);

    // Whether the movie of this picture file is running now (tests).
    bool isAnimating(const QString& path) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Animation {
        QMovie* movie = nullptr;
        QUrl url;
        // Every picture of this animation in each document, tracked by cursors that follow
        // the document's edits.
        QHash<QTextDocument*, QList<QTextCursor>> places;
    };
    struct Watched {
        QPointer<QWidget> widget;
        bool isView = false;
        QList<QMovie*> movies;
    };

    bool prepareExternal(const QString& path);
    // Replaces the cursor's selection by the picture; the selected characters stay with it.
    void insertPicture(QTextCursor& cursor, const QUrl& url, const QPixmap& picture, Animation* animation);
    void watch(QWidget* widget);
    void trackDocument(QTextDocument* document);
    void forgetDocument(QTextDocument* document);
    bool isShown(const QTextDocument* document) const;
    void updateRunning();
    void flushFrames();

    const SmileyTable& m_table;
    SmileyHost& m_host;
    QList<QImage> m_builtin;
    QList<QPixmap> m_builtinPixmaps;
    QHash<QString, Animation*> m_animations;
    QSet<QTextDocument*> m_documents;
    QList<Watched> m_watched;
    QSet<Animation*> m_dirty;
    // Coalesces frame repaints (FrameInterval) and visibility changes (next event-loop turn).
    QTimer m_flush;
    QTimer m_recheck;
};

} // namespace vantrel
