#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

namespace vantrel {

class AwayTexts;
class Settings;

// TfmAnswering, "Редактирование сообщений статуса \"Отсутствую\"": edits the away text and a
// copy of the away-text list. "OK" is enabled while the text is not blank, "Добавить" and
// "Удалить" exactly when "OK" is; "Добавить" adds the text unless the list holds it in any
// letter case, "Удалить" deletes its last entry in any letter case and clears the text. "OK"
// makes the text as typed the away text. However the dialog closes, a changed list replaces the
// away-text list (and is saved). Position and size are kept in section "fmAnswering".
class AnsweringDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnsweringDialog)

public:
    static constexpr QLatin1StringView PlacementSection{"fmAnswering"};

    AnsweringDialog(AwayTexts& texts, Settings& settings, QWidget* parent = nullptr);

    QComboBox* comboBox() const { return m_combo; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    bool isListChanged() const { return m_listChanged; }

    void done(int result) override;

private:
    void updateButtons();
    void addText();
    void deleteText();
    QStringList comboItems() const;

    AwayTexts& m_texts;
    Settings& m_settings;
    QComboBox* m_combo = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    bool m_listChanged = false;
};

} // namespace vantrel
