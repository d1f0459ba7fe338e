#pragma once

#include <QWidget>

namespace vantrel {

// One page of the settings dialog. It shows the settings model's values each time the dialog
// opens and writes the edited ones back to the model only on OK, so that nothing the program
// reads changes before then; the dialog saves the file once all pages have written.
class SettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_DISABLE_COPY_MOVE(SettingsPage)

    // The page's caption on its tab.
    virtual QString caption() const = 0;
    // Fills the controls from the model and sets their enabled states (each opening).
    virtual void load() = 0;
    // Writes the controls to the model, deferred (OK).
    virtual void apply() = 0;
};

} // namespace vantrel
