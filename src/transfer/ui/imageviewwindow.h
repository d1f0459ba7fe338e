#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;

namespace vantrel {

// The picture viewer (fmImageView): a received picture on black, its window sized to the
// picture within the work area (scroll bars beyond it), "В размере окна" to scale it into the
// window, saving in the picture's own type, "Ответить" to the sender, Esc to close. It only
// shows the decoded picture; the received file is gone by the time it opens. Freed on close.
class ImageViewWindow final : public QWidget {
    Q_OBJECT
public:
    // `bytes` are the picture's file as received (saved unchanged), `image` their decoding.
    ImageViewWindow(QString sender, QString receivedPath, QByteArray bytes, QImage image);
    ~ImageViewWindow() override;
    Q_DISABLE_COPY_MOVE(ImageViewWindow)

    // Sizes and places the window for its screen, shows it and brings it to the front.
    void showPicture();

    const QString& sender() const { return m_sender; }
    const QString& receivedPath() const { return m_receivedPath; }
    // Fm_Left, Fm_Top, Fm_Width, Fm_Height: the rectangle computed when the viewer was shown.
    QRect rememberedRect() const { return m_remembered; }
    // The picture as it is shown now (after scaling).
    QSize shownPictureSize() const;
    QMenu* menu() const { return m_menu; }
    bool isFitted() const;
    // "В размере окна".
    void toggleFit();
    // Writes the received bytes to `path`; false (after an error box) on failure.
    bool saveTo(const QString& path);
    // The save dialog's filter: "Файл JPG (*.jpg)" for a ".jpg" picture.
    QString saveFilter() const;

Q_SIGNALS:
    // "Ответить": the sender's conversation window is wanted.
    void replyRequested(const QString& sender);
    // The viewer has been shown and placed (the tray's restore follows it).
    void shown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenu();
    // Shows the picture fitted or at its own size, as the check mark of "В размере окна" says.
    void applyFit();
    void popupMenu(const QPoint& globalPos);
    void lockSize();
    void releaseSize();
    void showPixmap(const QSize& size);
    // Places the window so that its frame covers `outer`.
    void applyOuter(const QRect& outer);
    QMargins frame() const;
    void save();

    QString m_sender;
    QString m_receivedPath;
    QByteArray m_bytes;
    QImage m_image;
    QScrollArea* m_area = nullptr;
    QLabel* m_picture = nullptr;
    QMenu* m_menu = nullptr;
    QAction* m_fitAction = nullptr;
    QRect m_remembered;
    bool m_autoSize = true;
};

} // namespace vantrel
