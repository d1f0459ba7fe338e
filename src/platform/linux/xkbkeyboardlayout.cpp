#include "platform/linux/xkbkeyboardlayout.h"

#include <QSet>

#include <memory>

#if defined(VANTREL_HAVE_X11)
// Xlib defines macros (Bool, Status, None, ...) that clash with Qt: include it last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Symbol files that rules add to a keymap besides the layouts themselves.
bool isLayoutSymbolFile(const QString& file)
{
    static const QSet<QString> optionFiles = {
        u"pc"_s,       u"inet"_s,      u"group"_s,      u"ctrl"_s,   u"altwin"_s, u"capslock"_s,
        u"compose"_s,  u"level3"_s,    u"level5"_s,     u"lv3"_s,    u"lv5"_s,    u"terminate"_s,
        u"keypad"_s,   u"kpdl"_s,      u"nbsp"_s,       u"numpad"_s, u"shift"_s,  u"srvr_ctrl"_s,
        u"eurosign"_s, u"rupeesign"_s, u"japan"_s,      u"korean"_s, u"caps"_s,   u"solaris"_s,
        u"fkeys"_s,    u"parens"_s,    u"scrolllock"_s, u"apple"_s,  u"mac"_s,    u"grab"_s,
    };
    return !file.isEmpty() && !optionFiles.contains(file);
}

} // namespace

QStringList XkbKeyboardLayout::layoutsFromSymbols(const QString& symbols)
{
    QStringList layouts;
    bool firstSeen = false;
    for (const QString& part : symbols.split(u'+', Qt::SkipEmptyParts)) {
        // part: file[(variant)][:group]
        const qsizetype colon = part.lastIndexOf(u':');
        int group = 0;
        bool explicitGroup = false;
        if (colon > 0 && part.indexOf(u')', colon) < 0) {
            bool ok = false;
            group = QStringView(part).sliced(colon + 1).toInt(&ok);
            if (!ok || group < 1 || group > 4)
                continue;
            explicitGroup = true;
            --group;
        }
        const qsizetype end = part.indexOf(u'(');
        const QString file = part.left(end >= 0 ? end : (explicitGroup ? colon : part.size()));
        if (!isLayoutSymbolFile(file))
            continue;
        if (!explicitGroup) {
            if (firstSeen)
                continue;
            firstSeen = true;
        }
        while (layouts.size() <= group)
            layouts.append(QString());
        if (layouts[group].isEmpty())
            layouts[group] = file;
    }
    return layouts;
}

#if defined(VANTREL_HAVE_X11)

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

DisplayPtr openXkbDisplay()
{
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int reason = 0;
    return DisplayPtr(XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason));
}

// Group index of `layout` ("us", "ru") in the current keymap, or -1.
int groupOf(Display* display, const QString& layout)
{
    XkbDescPtr keyboard = XkbAllocKeyboard();
    if (keyboard == nullptr)
        return -1;
    int found = -1;
    if (XkbGetNames(display, XkbSymbolsNameMask, keyboard) == Success && keyboard->names != nullptr &&
        keyboard->names->symbols != 0) {
        if (char* name = XGetAtomName(display, keyboard->names->symbols)) {
            const QStringList layouts = XkbKeyboardLayout::layoutsFromSymbols(QString::fromLatin1(name));
            XFree(name);
            found = int(layouts.indexOf(layout));
        }
    }
    XkbFreeKeyboard(keyboard, 0, True);
    return found;
}

QString layoutName(LayoutId layout)
{
    return layout == LayoutId::US ? u"us"_s : u"ru"_s;
}

} // namespace

bool XkbKeyboardLayout::isNonUSLayout() const
{
    const DisplayPtr display = openXkbDisplay();
    if (!display)
        return false;
    XkbStateRec state{};
    if (XkbGetState(display.get(), XkbUseCoreKbd, &state) != Success)
        return false;
    return groupOf(display.get(), layoutName(LayoutId::US)) != int(state.group);
}

bool XkbKeyboardLayout::activate(LayoutId layout)
{
    const DisplayPtr display = openXkbDisplay();
    if (!display)
        return false;
    const int group = groupOf(display.get(), layoutName(layout));
    if (group < 0)
        return false;
    if (!XkbLockGroup(display.get(), XkbUseCoreKbd, unsigned(group)))
        return false;
    XSync(display.get(), False);
    return true;
}

#else

bool XkbKeyboardLayout::isNonUSLayout() const
{
    return false;
}

bool XkbKeyboardLayout::activate(LayoutId)
{
    return false;
}

#endif

} // namespace vantrel
