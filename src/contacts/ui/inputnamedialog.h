#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantrel {

class Settings;

// TfmInputName: the one-line input box for group names, black-list names and quick messages.
// "OK" is the default button and is enabled only while the trimmed text is not empty; a typed
// ";", "[" or "]" is swallowed and `refused` shows the warning balloon. On showing, the caret
// goes to the end of the text. Position and size are kept in the section "fmInputName".
class InputNameDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr QLatin1StringView PlacementSection{"fmInputName"};
    static constexpr int MaxLength = 255;

    // `settings` may be null (the placement is then not kept).
    InputNameDialog(Settings* settings, std::function<void()> refused, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(InputNameDialog)

    void setTexts(const QString& caption, const QString& label, const QString& text);
    QString text() const;

    QLabel* label() const { return m_label; }
    QLineEdit* edit() const { return m_edit; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Settings* m_settings;
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

// ShowInputName(caption, label, text): shows the input box modally; the edited text (not
// trimmed) when the user accepts, nullopt otherwise.
std::optional<QString> ShowInputName(QWidget* parent, Settings* settings,
                                     const std::function<void()>& refused, const QString& caption,
                                     const QString& label, const QString& text);

} // namespace vantrel
