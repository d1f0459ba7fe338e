#pragma once

#include <QString>

namespace vantrel {

// Tag fields are `<NAME>value</NAME>` elements written back to back, without escaping.
// Protocol bodies and queued items are flat lists of them.

// Returns `<name>value</name>`; the value is inserted unchanged.
QString MakeTag(QStringView name, QStringView value);

// Returns the value of the first field `name` in `text`, or an empty string. Both the
// opening and the closing tag are searched from the start of the text (case-sensitive),
// so a closing tag standing before the opening one yields an empty string, and a value
// containing its own closing tag is cut there.
QString TagValue(QStringView name, QStringView text);

} // namespace vantrel
