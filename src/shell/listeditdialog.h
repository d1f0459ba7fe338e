#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QListWidget;
class QPushButton;
class QToolButton;

namespace vantrel {

class Settings;

// TfmListEdit, "Редактировать список": edits a copy of the quick-message list. The caller
// takes items() when the dialog ends with OK. Position and size are kept in the settings
// section "fmListEdit".
class ListEditDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListEditDialog)

public:
    static constexpr QLatin1StringView PlacementSection{"fmListEdit"};
    static constexpr int MinimumWidth = 370;
    static constexpr int MinimumHeight = 341;

    // ShowInputName(caption, label, text): the accepted text, or nullopt when cancelled.
    using InputFunction = std::function<std::optional<QString>(const QString& caption, const QString& label,
                                                               const QString& text)>;

    // A null `input` uses the input box TfmInputName (ShowInputName) without a balloon.
    ListEditDialog(const QStringList& items, Settings& settings, InputFunction input = {},
                   QWidget* parent = nullptr);

    QStringList items() const;

    QListWidget* list() const { return m_list; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    QPushButton* editButton() const { return m_edit; }
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    void done(int result) override;

private:
    void addEntry();
    void deleteEntry();
    void editEntry();
    void moveEntry(int delta);
    void updateButtons();
    void restorePlacement();
    void savePlacement();

    Settings& m_settings;
    InputFunction m_input;
    QListWidget* m_list = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_edit = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace vantrel
