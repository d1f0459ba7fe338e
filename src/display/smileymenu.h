#pragma once

#include <QList>
#include <QMenu>

namespace vantrel {

class SmileyImages;

// The built-in smileys' menu: 33 items (objects PM_Sm0 to PM_Sm32) whose captions are the
// built-in sequences with their leading blank, each with its still picture, in three columns
// of 11 (items 0-10, 11-21, 22-32). Choosing an item closes the menu and emits smileyChosen
// with the keyboard modifiers held at that moment, and the menu's triggered() with its action.
class SmileyMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SmileyMenu)

public:
    static constexpr int Columns = 3;
    static constexpr int PerColumn = 11;

    explicit SmileyMenu(const SmileyImages& images, QWidget* parent = nullptr);
    ~SmileyMenu() override;

    // The 33 items in index order.
    const QList<QAction*>& smileyActions() const { return m_actions; }

Q_SIGNALS:
    void smileyChosen(int index, const QString& caption, Qt::KeyboardModifiers modifiers);

private:
    QList<QAction*> m_actions;
};

} // namespace vantrel
