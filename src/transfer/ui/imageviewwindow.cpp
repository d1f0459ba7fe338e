#include "transfer/ui/imageviewwindow.h"

#include "core/atomicfile.h"
#include "transfer/ui/imageviewlayout.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vantrel {

ImageViewWindow::ImageViewWindow(QString sender, QString receivedPath, QByteArray bytes, QImage image)
    : QWidget(nullptr, Qt::Window)
    , m_sender(std::move(sender))
    , m_receivedPath(std::move(receivedPath))
    , m_bytes(std::move(bytes))
    , m_image(std::move(image))
{
    setObjectName(u"fmImageView"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(m_receivedPath).completeBaseName());
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_area = new QScrollArea(this);
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setAlignment(Qt::AlignCenter);
    m_area->setPalette(black);
    m_area->setBackgroundRole(QPalette::Window);
    m_area->viewport()->setAutoFillBackground(true);
    m_picture = new QLabel;
    m_picture->setObjectName(u"Image"_s);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setPalette(black);
    m_area->setWidget(m_picture);
    m_area->setWidgetResizable(false);
    layout->addWidget(m_area);
    showPixmap(m_image.size());

    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_area->viewport()),
                            static_cast<QWidget*>(m_picture)})
        widget->installEventFilter(this);
    buildMenu();
}

ImageViewWindow::~ImageViewWindow() = default;

void ImageViewWindow::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(u"PopupMenu_Img"_s);
    QAction* save = m_menu->addAction(u"Сохранить..."_s);
    save->setObjectName(u"PM_Save"_s);
    connect(save, &QAction::triggered, this, &ImageViewWindow::save);
    m_fitAction = m_menu->addAction(u"В размере окна"_s);
    m_fitAction->setObjectName(u"PM_Zoom"_s);
    m_fitAction->setCheckable(true);
    connect(m_fitAction, &QAction::triggered, this, &ImageViewWindow::applyFit);
    m_menu->addSeparator();
    QAction* reply = m_menu->addAction(u"Ответить"_s);
    reply->setObjectName(u"PM_Answer"_s);
    connect(reply, &QAction::triggered, this, [this] {
        Q_EMIT replyRequested(m_sender);
        close();
    });
    QAction* closing = m_menu->addAction(u"Закрыть"_s);
    closing->setObjectName(u"PM_Close"_s);
    connect(closing, &QAction::triggered, this, &QWidget::close);
}

QSize ImageViewWindow::shownPictureSize() const
{
    return m_picture->size();
}

bool ImageViewWindow::isFitted() const
{
    return m_fitAction->isChecked();
}

void ImageViewWindow::showPixmap(const QSize& size)
{
    if (size == m_image.size())
        m_picture->setPixmap(QPixmap::fromImage(m_image));
    else
        m_picture->setPixmap(
            QPixmap::fromImage(m_image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_picture->resize(size);
}

QMargins ImageViewWindow::frame() const
{
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void ImageViewWindow::applyOuter(const QRect& outer)
{
    // Positions are those of the frame; the size is the client area's.
    const QMargins margins = frame();
    move(outer.topLeft());
    resize(outer.width() - margins.left() - margins.right(),
           outer.height() - margins.top() - margins.bottom());
}

void ImageViewWindow::showPicture()
{
    // Shown first, so that the window system's frame is known when the size is computed.
    show();
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // The available geometry stands for the screen without the panels at its edges.
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect work = screen ? screen->availableGeometry() : screenRect;
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const ImageViewLayout::Placement placement =
        ImageViewLayout::initial(screenRect, work, m_image.size(), frame(), extent);
    m_autoSize = placement.autoSize;
    releaseSize();
    applyOuter(placement.window);
    lockSize();
    m_remembered = placement.window;
    Q_EMIT shown();
    raise();
    activateWindow();
}

void ImageViewWindow::lockSize()
{
    setFixedSize(size());
}

void ImageViewWindow::releaseSize()
{
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void ImageViewWindow::toggleFit()
{
    m_fitAction->setChecked(!m_fitAction->isChecked());
    applyFit();
}

void ImageViewWindow::applyFit()
{
    releaseSize();
    const QMargins margins = frame();
    if (m_fitAction->isChecked()) {
        // Fit: the picture scaled down into the client area, the window centred on its
        // former rectangle.
        m_autoSize = false;
        m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const ImageViewLayout::Fit fitted = ImageViewLayout::fit(m_picture->size(), size());
        showPixmap(fitted.picture);
        const QSize outer(fitted.client.width() + margins.left() + margins.right(),
                          fitted.client.height() + margins.top() + margins.bottom());
        applyOuter(QRect(ImageViewLayout::centred(m_remembered, outer), outer));
        m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    } else {
        m_autoSize = true;
        showPixmap(m_image.size());
        applyOuter(m_remembered);
    }
    lockSize();
}

void ImageViewWindow::popupMenu(const QPoint& globalPos)
{
    // While the menu is open the window may be resized.
    releaseSize();
    m_menu->popup(globalPos);
}

bool ImageViewWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        popupMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched == m_picture) {
        toggleFit();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ImageViewWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString ImageViewWindow::saveFilter() const
{
    const QString suffix = QFileInfo(m_receivedPath).suffix();
    return u"Файл "_s + suffix.toUpper() + u" (*."_s + suffix + u')';
}

void ImageViewWindow::save()
{
    const QFileInfo received(m_receivedPath);
    QFileDialog dialog(this, u"Сохранить..."_s);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(saveFilter());
    dialog.setDefaultSuffix(received.suffix());
    dialog.selectFile(received.fileName());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveTo(dialog.selectedFiles().constFirst());
}

bool ImageViewWindow::saveTo(const QString& path)
{
    QString error;
    if (WriteFileAtomically(path, m_bytes, &error))
        return true;
    QMessageBox::critical(this, u"Ошибка"_s, error);
    return false;
}

} // namespace vantrel
