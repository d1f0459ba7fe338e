#include "display/smileyimages.h"

#include "display/smileyhost.h"
#include "display/smileymatcher.h"
#include "display/smileytable.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMovie>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QWidget>

using namespace Qt::StringLiterals;

// Resources of a static library must be registered by name, outside any namespace.
static void initSmileyResources()
{
    Q_INIT_RESOURCE(smileys);
}

namespace vantrel {

namespace {

// The characters a picture stands for, kept in its format.
constexpr int SmileyTextProperty = QTextFormat::UserProperty + 1;

} // namespace

namespace {

// Animations whose decoded frames take at most this much memory keep them all.
constexpr qint64 MaxCachedFrameBytes = 8 * 1024 * 1024;

} // namespace

SmileyImages::SmileyImages(const SmileyTable& table, SmileyHost& host, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_host(host)
{
    initSmileyResources();
    const QImage strip(u":/smileys/builtin.png"_s);
    for (int i = 0; i < SmileyTable::BuiltinCount; ++i) {
        const QImage picture = strip.copy(i * BuiltinWidth, 0, BuiltinWidth, BuiltinHeight);
        m_builtin.append(picture);
        m_builtinPixmaps.append(QPixmap::fromImage(picture));
    }
    m_flush.setSingleShot(true);
    m_flush.setInterval(FrameInterval);
    connect(&m_flush, &QTimer::timeout, this, &SmileyImages::flushFrames);
    m_recheck.setSingleShot(true);
    m_recheck.setInterval(0);
    connect(&m_recheck, &QTimer::timeout, this, &SmileyImages::updateRunning);
}

SmileyImages::~SmileyImages()
{
    qDeleteAll(m_animations);
}

QImage SmileyImages::builtinImage(int index) const
{
    return index >= 0 && index < m_builtin.size() ? m_builtin[index] : QImage();
}

QUrl SmileyImages::builtinUrl(int index)
{
    return QUrl(u"smiley-builtin:"_s + QString::number(index));
}

QUrl SmileyImages::imageUrl(const QString& path) const
{
    const Animation* animation = m_animations.value(path);
    return animation ? animation->url : QUrl();
}

QMovie* SmileyImages::movie(const QString& path, QString* error)
{
    if (Animation* animation = m_animations.value(path))
        return animation->movie;
    QImageReader reader(path);
    if (!reader.canRead()) {
        if (error)
            *error = reader.errorString();
        return nullptr;
    }
    const QSize size = reader.size();
    const qint64 frames = qMax(1, reader.imageCount());
    auto* movie = new QMovie(path, QByteArray(), this);
    if (qint64(size.width()) * size.height() * 4 * frames <= MaxCachedFrameBytes)
        movie->setCacheMode(QMovie::CacheAll);
    if (!movie->isValid() || !movie->jumpToFrame(0)) {
        if (error)
            *error = movie->lastErrorString();
        delete movie;
        return nullptr;
    }

    auto* animation = new Animation;
    animation->movie = movie;
    animation->url = QUrl(u"smiley:"_s + QString::number(m_animations.size()));
    m_animations.insert(path, animation);
    connect(movie, &QMovie::frameChanged, this, [this, animation] {
        m_dirty.insert(animation);
        if (!m_flush.isActive())
            m_flush.start();
    });
    return movie;
}

bool SmileyImages::prepareExternal(const QString& path)
{
    const QString title = m_host.mainWindowCaption();
    if (!QFileInfo(path).isFile()) {
        m_host.showBalloon(title, u"Файл \""_s + path + u"\" не найден!"_s, SmileyHost::BalloonLevel::Error);
        return false;
    }
    QString error;
    if (!movie(path, &error)) {
        m_host.showBalloon(title, error, SmileyHost::BalloonLevel::Error);
        return false;
    }
    return true;
}

int SmileyImages::drawSmileys(QTextDocument* document, int from, int to)
{
    if (!document)
        return 0;
    from = qMax(0, from);
    to = qMin(to, document->characterCount() - 1);
    if (from >= to)
        return 0;
    QTextCursor cursor(document);
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    // One character per document position: block ends come as U+2029, pictures as U+FFFC.
    const QString text = cursor.selectedText();

    const QList<SmileyEntry>& entries = m_table.entries();
    const bool external = m_table.set() == SmileyTable::Set::External;
    // A picture is checked once per call, so a missing file is told once, not per occurrence.
    QHash<QString, bool> ready;
    const auto canInsert = [&](int entry) {
        if (!external)
            return entry < m_builtin.size() && !m_builtin[entry].isNull();
        const QString& path = entries[entry].fileName;
        auto it = ready.constFind(path);
        if (it == ready.constEnd())
            it = ready.insert(path, prepareExternal(path));
        return it.value();
    };
    const QList<SmileyReplacement> found = findSmileys(text, entries, canInsert);
    if (found.isEmpty())
        return 0;

    cursor.beginEditBlock();
    // From the end, so the positions of the earlier occurrences stay valid.
    for (auto it = found.crbegin(); it != found.crend(); ++it) {
        cursor.setPosition(from + int(it->position));
        cursor.setPosition(from + int(it->position + it->length), QTextCursor::KeepAnchor);
        if (external) {
            Animation* animation = m_animations.value(entries[it->entry].fileName);
            insertPicture(cursor, animation->url, animation->movie->currentPixmap(), animation);
        } else {
            insertPicture(cursor, builtinUrl(it->entry), m_builtinPixmaps[it->entry], nullptr);
        }
    }
    cursor.endEditBlock();
    m_recheck.start();
    return int(found.size());
}

bool SmileyImages::insertSmileyPicture(QTextCursor& cursor, const QString& path)
{
    if (cursor.isNull() || !prepareExternal(path))
        return false;
    Animation* animation = m_animations.value(path);
    insertPicture(cursor, animation->url, animation->movie->currentPixmap(), animation);
    m_recheck.start();
    return true;
}

void SmileyImages::insertPicture(QTextCursor& cursor, const QUrl& url, const QPixmap& picture,
                                 Animation* animation)
{
    QTextDocument* document = cursor.document();
    document->addResource(QTextDocument::ImageResource, url, picture);
    QTextImageFormat format;
    format.merge(cursor.charFormat());
    format.setName(url.toString());
    format.setWidth(picture.width());
    format.setHeight(picture.height());
    format.setVerticalAlignment(QTextCharFormat::AlignBottom);
    format.setProperty(SmileyTextProperty, cursor.selectedText());
    cursor.removeSelectedText();
    const int position = cursor.position();
    cursor.insertImage(format);
    if (animation) {
        trackDocument(document);
        QTextCursor place(document);
        place.setPosition(position);
        animation->places[document].append(place);
    }
}

QString SmileyImages::selectedText(const QTextCursor& cursor)
{
    // One character per document position: pictures come as U+FFFC, block ends as U+2029.
    const QString plain = cursor.selectedText();
    const int start = cursor.selectionStart();
    QString text;
    text.reserve(plain.size());
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain.at(i) != QChar::ObjectReplacementCharacter) {
            text.append(plain.at(i));
            continue;
        }
        QTextCursor at(cursor.document());
        at.setPosition(start + int(i) + 1);
        text.append(at.charFormat().property(SmileyTextProperty).toString());
    }
    return text;
}

void SmileyImages::trackDocument(QTextDocument* document)
{
    if (m_documents.contains(document))
        return;
    m_documents.insert(document);
    connect(document, &QObject::destroyed, this, [this, document] {
        for (Animation* animation : std::as_const(m_animations))
            animation->places.remove(document);
        m_documents.remove(document);
        m_recheck.start();
    });
    // A cleared view no longer shows any picture. The cursors are dropped from the event loop:
    // the change is announced from inside QTextDocument::clear(), which afterwards puts back
    // the cursors it knew, and a cursor freed meanwhile would be written to.
    connect(document, &QTextDocument::contentsChanged, this, [this, document] {
        if (!document->isEmpty())
            return;
        QMetaObject::invokeMethod(
            this,
            [this, guard = QPointer<QTextDocument>(document)] {
                if (guard && guard->isEmpty() && m_documents.contains(guard))
                    forgetDocument(guard);
            },
            Qt::QueuedConnection);
    });
}

void SmileyImages::forgetDocument(QTextDocument* document)
{
    for (Animation* animation : std::as_const(m_animations))
        animation->places.remove(document);
    m_documents.remove(document);
    disconnect(document, nullptr, this, nullptr);
    m_recheck.start();
}

void SmileyImages::attachView(QTextEdit* view)
{
    if (!view)
        return;
    for (const Watched& w : std::as_const(m_watched)) {
        if (w.widget == view)
            return;
    }
    m_watched.append({view, true, {}});
    watch(view);
}

void SmileyImages::attachWidget(QWidget* widget, const QList<QMovie*>& movies)
{
    if (!widget)
        return;
    for (Watched& w : m_watched) {
        if (w.widget == widget) {
            w.movies = movies;
            m_recheck.start();
            return;
        }
    }
    m_watched.append({widget, false, movies});
    watch(widget);
}

void SmileyImages::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    if (widget->window() != widget)
        widget->window()->installEventFilter(this);
    connect(widget, &QObject::destroyed, this, [this] { m_recheck.start(); });
    m_recheck.start();
}

bool SmileyImages::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        m_recheck.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool SmileyImages::isShown(const QTextDocument* document) const
{
    for (const Watched& w : m_watched) {
        if (!w.isView || !w.widget || !w.widget->isVisible() || w.widget->window()->isMinimized())
            continue;
        if (static_cast<const QTextEdit*>(w.widget.data())->document() == document)
            return true;
    }
    return false;
}

bool SmileyImages::isAnimating(const QString& path) const
{
    const Animation* animation = m_animations.value(path);
    return animation && animation->movie->state() == QMovie::Running;
}

void SmileyImages::updateRunning()
{
    m_watched.removeIf([](const Watched& w) { return w.widget.isNull(); });
    QSet<QMovie*> wanted;
    for (const Watched& w : std::as_const(m_watched)) {
        if (!w.widget->isVisible() || w.widget->window()->isMinimized())
            continue;
        if (!w.isView) {
            for (QMovie* movie : w.movies)
                wanted.insert(movie);
            continue;
        }
        QTextDocument* document = static_cast<const QTextEdit*>(w.widget.data())->document();
        for (const Animation* animation : std::as_const(m_animations)) {
            if (animation->places.contains(document))
                wanted.insert(animation->movie);
        }
    }
    for (const Animation* animation : std::as_const(m_animations)) {
        QMovie* movie = animation->movie;
        // A still picture has nothing to play.
        const bool animated = movie->frameCount() != 1;
        if (animated && wanted.contains(movie)) {
            if (movie->state() == QMovie::NotRunning)
                movie->start();
            else if (movie->state() == QMovie::Paused)
                movie->setPaused(false);
        } else if (movie->state() == QMovie::Running) {
            movie->setPaused(true);
        }
    }
}

void SmileyImages::flushFrames()
{
    QHash<QTextDocument*, QRectF> repaint;
    for (Animation* animation : std::as_const(m_dirty)) {
        const QPixmap frame = animation->movie->currentPixmap();
        const QString name = animation->url.toString();
        for (auto it = animation->places.begin(); it != animation->places.end(); ++it) {
            QTextDocument* document = it.key();
            if (!isShown(document))
                continue;
            document->addResource(QTextDocument::ImageResource, animation->url, frame);
            QRectF& area = repaint[document];
            // Drop the places whose picture was edited away; repaint the blocks of the others.
            it.value().removeIf([&](const QTextCursor& place) {
                QTextCursor probe(place);
                if (!probe.movePosition(QTextCursor::NextCharacter) ||
                    probe.charFormat().toImageFormat().name() != name)
                    return true;
                area |= document->documentLayout()->blockBoundingRect(place.block());
                return false;
            });
        }
    }
    m_dirty.clear();
    for (auto it = repaint.cbegin(); it != repaint.cend(); ++it) {
        if (!it.value().isEmpty())
            Q_EMIT it.key()->documentLayout()->update(it.value());
    }
}

} // namespace vantrel
