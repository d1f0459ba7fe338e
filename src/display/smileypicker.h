#pragma once

#include "display/smileyentry.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QFrame;
class QLabel;

namespace vantrel {

class SmileyImages;
class SmileyTable;

// The picture picker of the external smiley set, one for the whole program and shared by
// every conversation window: a borderless window that stays on top, white with a raised
// frame, showing the set's animated pictures in rows of 8 in file order.
//
// Every cell has the size of the largest picture; the first sits at (3, 3) and each next one
// 1 pixel right of (or, after 8, below) the previous, so the window is cell width x 8 + 13
// wide and ends 3 pixels below its last row. Hovering a picture puts the selection frame
// 1 pixel around it; the tool-tip is Label + " " + Chars. A click hides the picker and emits
// smileyChosen(client, " " + Chars); losing the focus (or Esc) hides it and emits dismissed.
// Hiding keeps the picker for the next choice.
class SmileyPicker final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmileyPicker)

public:
    explicit SmileyPicker(SmileyImages& images, QWidget* parent = nullptr);
    ~SmileyPicker() override;

    // Shows the pictures of these entries (those whose picture cannot be read are left out).
    void loadSmileys(const QString& setFile, const QList<SmileyEntry>& entries);
    // Loads the table's external set unless the picker shows that set file already (a set
    // file whose name is unchanged is not read again). Returns whether it loaded.
    bool syncWith(const SmileyTable& table);

    QString setFile() const { return m_setFile; }
    QSize cellSize() const { return m_cell; }
    // The picture cells in file order.
    const QList<QLabel*>& pictures() const { return m_pictures; }
    // The conversation window the picker serves now.
    QWidget* client() const { return m_client; }

    // Opens the picker with its top-left corner at `globalPos`, moved back inside the screen
    // where it would pass its right or bottom edge, for `client`.
    void popup(QWidget* client, const QPoint& globalPos);
    static QPoint placement(const QPoint& pos, const QSize& size, const QRect& screen);

Q_SIGNALS:
    // `text` is a blank followed by the chosen smiley's sequence.
    void smileyChosen(QWidget* client, const QString& text);
    void dismissed(QWidget* client);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void closePicker(bool clearSelection);
    void dismiss();

    SmileyImages& m_images;
    QFrame* m_frame = nullptr;
    QFrame* m_selection = nullptr;
    QList<QLabel*> m_pictures;
    QString m_setFile;
    bool m_loaded = false;
    bool m_closing = false;
    QSize m_cell;
    QPointer<QWidget> m_client;
};

} // namespace vantrel
