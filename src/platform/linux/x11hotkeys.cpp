#include "platform/linux/x11hotkeys.h"

#include <QSocketNotifier>

#include <array>

#if defined(VANTREL_HAVE_X11)
// Xlib defines macros (Bool, Status, None, ...) that clash with Qt: include it last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

namespace vantrel {

#if defined(VANTREL_HAVE_X11)

namespace {

// Errors of the grab requests under way; Xlib reports them through one process-wide handler.
int g_grabErrors = 0;

int countGrabError(Display*, XErrorEvent*)
{
    ++g_grabErrors;
    return 0;
}

struct KeySymPair {
    Qt::Key key;
    KeySym sym;
};

constexpr std::array<KeySymPair, 20> MainKeys{{
    {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Return, XK_Return},
    {Qt::Key_Enter, XK_Return},
    {Qt::Key_Pause, XK_Pause},
    {Qt::Key_CapsLock, XK_Caps_Lock},
    {Qt::Key_Escape, XK_Escape},
    {Qt::Key_Space, XK_space},
    {Qt::Key_PageUp, XK_Prior},
    {Qt::Key_PageDown, XK_Next},
    {Qt::Key_End, XK_End},
    {Qt::Key_Home, XK_Home},
    {Qt::Key_Left, XK_Left},
    {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},
    {Qt::Key_Down, XK_Down},
    {Qt::Key_Print, XK_Print},
    {Qt::Key_Insert, XK_Insert},
    {Qt::Key_Delete, XK_Delete},
    {Qt::Key_ScrollLock, XK_Scroll_Lock},
}};

constexpr std::array<KeySymPair, 6> KeypadKeys{{
    {Qt::Key_Asterisk, XK_KP_Multiply},
    {Qt::Key_Plus, XK_KP_Add},
    {Qt::Key_Minus, XK_KP_Subtract},
    {Qt::Key_Period, XK_KP_Decimal},
    {Qt::Key_Slash, XK_KP_Divide},
    {Qt::Key_NumLock, XK_Num_Lock},
}};

// The modifier bit that NumLock sets on this server (Mod2 on most).
unsigned numLockMask(Display* display)
{
    unsigned mask = 0;
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    if (XModifierKeymap* map = XGetModifierMapping(display)) {
        for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                    mask = 1u << modifier;
            }
        }
        XFreeModifiermap(map);
    }
    return mask != 0 ? mask : Mod2Mask;
}

} // namespace

struct X11HotKeys::Connection {
    Display* display = nullptr;
    unsigned numLock = Mod2Mask;
    ~Connection()
    {
        if (display)
            XCloseDisplay(display);
    }
};

std::unique_ptr<X11HotKeys> X11HotKeys::open(QObject* parent)
{
    auto connection = std::make_unique<Connection>();
    connection->display = XOpenDisplay(nullptr);
    if (!connection->display)
        return nullptr;
    connection->numLock = numLockMask(connection->display);
    // Without this a held key repeats as release-press pairs.
    XkbSetDetectableAutoRepeat(connection->display, True, nullptr);
    return std::unique_ptr<X11HotKeys>(new X11HotKeys(std::move(connection), parent));
}

X11HotKeys::X11HotKeys(std::unique_ptr<Connection> connection, QObject* parent)
    : GlobalHotKeys(parent)
    , m_connection(std::move(connection))
{
    m_notifier = new QSocketNotifier(ConnectionNumber(m_connection->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotKeys::readEvents);
}

X11HotKeys::~X11HotKeys()
{
    for (const Grab& g : std::as_const(m_grabs))
        ungrab(g);
    XSync(m_connection->display, False);
}

unsigned long X11HotKeys::keySymOf(QKeyCombination combination)
{
    const Qt::Key key = combination.key();
    if (combination.keyboardModifiers() & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return XK_KP_0 + (key - Qt::Key_0);
        for (const KeySymPair& pair : KeypadKeys) {
            if (pair.key == key)
                return pair.sym;
        }
        return 0;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return XK_a + (key - Qt::Key_A);
    // Digits and the punctuation of the main keyboard share their Latin-1 numbers.
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return KeySym(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return XK_F1 + (key - Qt::Key_F1);
    for (const KeySymPair& pair : MainKeys) {
        if (pair.key == key)
            return pair.sym;
    }
    return 0;
}

bool X11HotKeys::setHotKey(int id, QKeyCombination key)
{
    clearHotKey(id);
    const KeySym sym = keySymOf(key);
    if (sym == 0)
        return false;
    Grab g;
    g.keyCode = XKeysymToKeycode(m_connection->display, sym);
    if (g.keyCode == 0)
        return false;
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    if (modifiers & Qt::ShiftModifier)
        g.modifiers |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        g.modifiers |= ControlMask;
    if (modifiers & Qt::AltModifier)
        g.modifiers |= Mod1Mask;
    if (modifiers & Qt::MetaModifier)
        g.modifiers |= Mod4Mask;
    if (!grab(g)) {
        ungrab(g);
        XSync(m_connection->display, False);
        return false;
    }
    m_grabs.insert(id, g);
    return true;
}

void X11HotKeys::clearHotKey(int id)
{
    const auto found = m_grabs.constFind(id);
    if (found == m_grabs.constEnd())
        return;
    ungrab(*found);
    m_grabs.erase(found);
    XSync(m_connection->display, False);
    readEvents();
}

bool X11HotKeys::grab(const Grab& g)
{
    Display* display = m_connection->display;
    const Window root = DefaultRootWindow(display);
    XSync(display, False);
    g_grabErrors = 0;
    XErrorHandler previous = XSetErrorHandler(countGrabError);
    for (const unsigned locks :
         {0u, unsigned(LockMask), m_connection->numLock, LockMask | m_connection->numLock})
        XGrabKey(display, g.keyCode, g.modifiers | locks, root, True, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    XSetErrorHandler(previous);
    const bool ok = g_grabErrors == 0;
    // Events that the round trips read into Xlib's queue would wait for the next byte.
    QMetaObject::invokeMethod(this, &X11HotKeys::readEvents, Qt::QueuedConnection);
    return ok;
}

void X11HotKeys::ungrab(const Grab& g)
{
    Display* display = m_connection->display;
    const Window root = DefaultRootWindow(display);
    XErrorHandler previous = XSetErrorHandler(countGrabError);
    for (const unsigned locks :
         {0u, unsigned(LockMask), m_connection->numLock, LockMask | m_connection->numLock})
        XUngrabKey(display, g.keyCode, g.modifiers | locks, root);
    XSync(display, False);
    XSetErrorHandler(previous);
}

void X11HotKeys::readEvents()
{
    Display* display = m_connection->display;
    const unsigned relevant = ShiftMask | ControlMask | Mod1Mask | Mod4Mask;
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != KeyPress)
            continue;
        for (auto it = m_grabs.constBegin(); it != m_grabs.constEnd(); ++it) {
            if (int(event.xkey.keycode) == it->keyCode && (event.xkey.state & relevant) == it->modifiers) {
                Q_EMIT activated(it.key());
                break;
            }
        }
    }
}

#else

struct X11HotKeys::Connection {};

std::unique_ptr<X11HotKeys> X11HotKeys::open(QObject*)
{
    return nullptr;
}

X11HotKeys::X11HotKeys(std::unique_ptr<Connection> connection, QObject* parent)
    : GlobalHotKeys(parent)
    , m_connection(std::move(connection))
{}

X11HotKeys::~X11HotKeys() = default;

unsigned long X11HotKeys::keySymOf(QKeyCombination)
{
    return 0;
}

bool X11HotKeys::setHotKey(int, QKeyCombination)
{
    return false;
}

void X11HotKeys::clearHotKey(int) {}

bool X11HotKeys::grab(const Grab&)
{
    return false;
}

void X11HotKeys::ungrab(const Grab&) {}

void X11HotKeys::readEvents() {}

#endif

} // namespace vantrel
