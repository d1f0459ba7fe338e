#pragma once

#include <QIcon>
#include <QMenu>
#include <QPointer>

class QPlainTextEdit;

namespace vantrel {

class QuickMessages;

// PopupMenu_SpeedMessages: one item per quick message in list order, or the disabled item
// "(Пусто)" when the list is empty. Rebuilt whenever the list changes. Choosing an item
// emits its text and, when a target reply box is set, makes that box hold exactly it.
class QuickMessageMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickMessageMenu)

public:
    explicit QuickMessageMenu(QuickMessages& messages, QWidget* parent = nullptr);

    // The reply box that opened the menu (SpeedMsgMenuClick's target).
    void setTarget(QPlainTextEdit* replyBox);
    // Notes the target and pops the menu up at `globalPos`.
    void popupFor(QPlainTextEdit* replyBox, const QPoint& globalPos);

    // The picture shown beside every item; by default the quick-message button's picture.
    void setItemIcon(const QIcon& icon);

    // SpeedMessagesMenuCreate.
    void rebuild();

Q_SIGNALS:
    void messageChosen(const QString& text);

private:
    void choose(const QString& text);

    QuickMessages& m_messages;
    QPointer<QPlainTextEdit> m_target;
    QIcon m_icon;
};

} // namespace vantrel
