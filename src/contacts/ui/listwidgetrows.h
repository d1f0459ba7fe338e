#pragma once

class QListWidget;

namespace vantrel {

// Deletes the selected row of a list box and makes the row that took its place (or the new
// last row) current, as the list editors do; false when no row is selected.
bool DeleteSelectedRow(QListWidget& list);

} // namespace vantrel
