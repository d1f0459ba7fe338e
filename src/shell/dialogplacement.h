#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace vantrel {

class Settings;

// The kept position and size of a dialog in its own settings section (fmListEdit,
// fmAnswering). A placement from a larger or vanished screen is moved back onto the
// available area and never made smaller than `minimum`.
void restoreDialogPlacement(QWidget& dialog, const Settings& settings, const QString& section, QSize minimum);
void saveDialogPlacement(const QWidget& dialog, Settings& settings, const QString& section);

} // namespace vantrel
