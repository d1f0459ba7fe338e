#include "platform/switchtextlayout.h"

#include "core/utilities.h"
#include "platform/keyboardlayout.h"

namespace vantrel {

QString SwitchTextLayout(const QString& text, KeyboardLayout& layout)
{
    if (layout.isNonUSLayout()) {
        QString result = CyrillicToLatin(text);
        layout.activate(LayoutId::US);
        return result;
    }
    QString result = LatinToCyrillic(text);
    layout.activate(LayoutId::Russian);
    return result;
}

} // namespace vantrel
