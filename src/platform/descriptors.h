#pragma once

#include <QtGlobal>

namespace vantrel {

// A second descriptor for the same open socket or file, which the caller owns; -1 when the
// system refuses one. The copy keeps the connection open after the first is closed.
qintptr DuplicateDescriptor(qintptr descriptor);
void CloseDescriptor(qintptr descriptor);

} // namespace vantrel
