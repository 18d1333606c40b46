#include "controls/ScrollLock.h"

#include <QGuiApplication>
#include <utility>

// Xlib's macros (None, KeyPress, Bool...) clash with Qt names: include it after Qt, and only here.
#if defined(TORVEL_HAVE_XKB) && QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#define TORVEL_READ_XKB 1
#endif

namespace torvel {
namespace {

std::optional<bool> forced;

#ifdef TORVEL_READ_XKB
bool ReadX11(Display* display) {
    Atom name = XInternAtom(display, "Scroll Lock", True);
    if (name == None)
        return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, name, nullptr, &on, nullptr, nullptr) || !on)
        return false;
    // Held down counts as off, as the toggle is then in mid-change.
    KeyCode code = XKeysymToKeycode(display, XK_Scroll_Lock);
    if (code != 0) {
        char keys[32] = {};
        XQueryKeymap(display, keys);
        if (keys[code / 8] & (1 << (code % 8)))
            return false;
    }
    return true;
}
#endif

} // namespace

bool ScrollLockOn() {
    if (forced)
        return *forced;
#ifdef TORVEL_READ_XKB
    if (auto* app = qGuiApp) {
        if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
            if (Display* display = x11->display())
                return ReadX11(display);
        }
    }
#endif
    return false;
}

namespace testing {
std::optional<bool> ForceScrollLock(std::optional<bool> state) {
    return std::exchange(forced, state);
}
} // namespace testing

} // namespace torvel
