#pragma once

#include <QIcon>
#include <QMenu>

#include <functional>

namespace vantrel {

class AwayTexts;
class Settings;

// PopupMenu_Answering: the away texts in list order, a separator and "Редактировать список...".
// Choosing a text makes it the away text; the last item opens the list editor (TfmAnswering)
// modally. Rebuilt whenever the list changes.
class AnsweringMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnsweringMenu)

public:
    AnsweringMenu(AwayTexts& texts, Settings& settings, QWidget* parent = nullptr);

    // AnsweringMenuCreate.
    void rebuild();
    // PM_AnsweringEditClick: true when the editor closed with OK.
    bool editList();
    QAction* editAction() const { return m_edit; }

Q_SIGNALS:
    // The list editor is about to run modally (tests drive it from here).
    void editorOpened(QDialog* dialog);

private:
    AwayTexts& m_texts;
    Settings& m_settings;
    QAction* m_edit = nullptr;
    QIcon m_icon;
};

} // namespace vantrel
