#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace vantrel {

class Settings;

// The stored position and size of a dialog (its section's Flags, PixelsPerInch, MinMaxPos and
// NormPos). Restoring keeps the window at least `minimum` large and moves a placement from a
// larger or vanished screen back onto the available area; nothing is done when none is stored.
void RestoreDialogPlacement(QWidget& window, const Settings& settings, const QString& section,
                            QSize minimum = {});
// Stores the window's current position and size; the file is written only when they changed.
void SaveDialogPlacement(const QWidget& window, Settings& settings, const QString& section);

} // namespace vantrel
