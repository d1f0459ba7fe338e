#include "display/smileypicker.h"

#include "display/smileyimages.h"
#include "display/smileytable.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

constexpr int PerRow = 8;
constexpr int Margin = 3;
constexpr int Gap = 1;
const char* const CharsProperty = "smileyChars";

} // namespace

SmileyPicker::SmileyPicker(SmileyImages& images, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_images(images)
{
    setObjectName(u"fmSmiles"_s);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    m_frame = new QFrame(this);
    m_frame->setObjectName(u"Bevel_Form"_s);
    m_frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_frame->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_selection = new QFrame(this);
    m_selection->setObjectName(u"Bevel_Sel"_s);
    m_selection->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_selection->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette navy = m_selection->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    m_selection->setPalette(navy);
    m_selection->setGeometry(0, 0, 0, 0);

    loadSmileys(QString(), {});
}

SmileyPicker::~SmileyPicker() = default;

bool SmileyPicker::syncWith(const SmileyTable& table)
{
    if (table.set() != SmileyTable::Set::External || (m_loaded && table.setFile() == m_setFile))
        return false;
    loadSmileys(table.setFile(), table.entries());
    return true;
}

void SmileyPicker::loadSmileys(const QString& setFile, const QList<SmileyEntry>& entries)
{
    qDeleteAll(m_pictures);
    m_pictures.clear();
    m_selection->setGeometry(0, 0, 0, 0);
    m_setFile = setFile;
    m_loaded = !setFile.isEmpty();

    QList<QMovie*> movies;
    m_cell = QSize(0, 0);
    for (const SmileyEntry& entry : entries) {
        QMovie* movie = m_images.movie(entry.fileName);
        if (!movie)
            continue;
        auto* picture = new QLabel(this);
        picture->setObjectName(u"JvGIFAnimator"_s + QString::number(m_pictures.size()));
        picture->setAlignment(Qt::AlignCenter);
        picture->setMovie(movie);
        picture->setToolTip(entry.label + u' ' + entry.chars);
        picture->setProperty(CharsProperty, entry.chars);
        picture->setMouseTracking(true);
        picture->installEventFilter(this);
        m_cell = m_cell.expandedTo(movie->currentImage().size());
        m_pictures.append(picture);
        movies.append(movie);
    }

    int x = Margin;
    int y = Margin;
    int lastRowTop = Margin;
    for (int i = 0; i < m_pictures.size(); ++i) {
        m_pictures[i]->setGeometry(x, y, m_cell.width(), m_cell.height());
        m_pictures[i]->show();
        lastRowTop = y;
        x += m_cell.width() + Gap;
        if ((i + 1) % PerRow == 0) {
            x = Margin;
            y += m_cell.height() + Gap;
        }
    }
    setFixedSize(m_cell.width() * PerRow + (PerRow - 1) * Gap + 2 * Margin,
                 lastRowTop + m_cell.height() + Margin);
    m_selection->raise();
    m_images.attachWidget(this, movies);
}

QPoint SmileyPicker::placement(const QPoint& pos, const QSize& size, const QRect& screen)
{
    int left = pos.x();
    int top = pos.y();
    if (left + size.width() > screen.x() + screen.width())
        left = screen.x() + screen.width() - size.width();
    if (top + size.height() > screen.y() + screen.height())
        top = screen.y() + screen.height() - size.height();
    return {qMax(left, screen.x()), qMax(top, screen.y())};
}

void SmileyPicker::popup(QWidget* client, const QPoint& globalPos)
{
    m_client = client;
    QScreen* screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    move(screen ? placement(globalPos, size(), screen->geometry()) : globalPos);
    show();
    raise();
    activateWindow();
}

bool SmileyPicker::eventFilter(QObject* watched, QEvent* event)
{
    auto* picture = qobject_cast<QLabel*>(watched);
    if (picture && m_pictures.contains(picture)) {
        if (event->type() == QEvent::MouseMove) {
            m_selection->setGeometry(picture->geometry().adjusted(-1, -1, 1, 1));
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && picture->rect().contains(mouse->position().toPoint())) {
                const QPointer<QWidget> client = m_client;
                closePicker(false);
                Q_EMIT smileyChosen(client, u' ' + picture->property(CharsProperty).toString());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SmileyPicker::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && !m_closing)
        dismiss();
    QWidget::changeEvent(event);
}

void SmileyPicker::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SmileyPicker::resizeEvent(QResizeEvent* event)
{
    m_frame->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void SmileyPicker::closePicker(bool clearSelection)
{
    // Hiding deactivates the window, which must not count as losing the focus again.
    m_closing = true;
    if (clearSelection)
        m_selection->setGeometry(0, 0, 0, 0);
    hide();
    m_closing = false;
}

void SmileyPicker::dismiss()
{
    closePicker(true);
    Q_EMIT dismissed(m_client);
}

} // namespace vantrel
