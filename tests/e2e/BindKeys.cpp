// bind_keys <keysym>...: gives each keysym (its lower and upper case) a key of its own on the X
// server of $DISPLAY, on keycodes that have no symbol. xdotool types a character missing from the
// keyboard map by binding it to a spare key for the moment of the stroke and unbinding it right
// after; a program that reads the changed map only then (a busy machine) sees a key without a
// symbol and the character is lost. With the keys bound for good, xdotool just presses them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bind_keys: cannot open the display\n");
        return 1;
    }
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    int perCode = 0;
    KeySym* map = XGetKeyboardMapping(display, KeyCode(minCode), maxCode - minCode + 1, &perCode);
    std::vector<int> spare;
    for (int code = maxCode; code >= minCode; --code) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i)
            empty = empty && map[(code - minCode) * perCode + i] == NoSymbol;
        if (empty)
            spare.push_back(code);
    }
    XFree(map);

    int status = 0;
    for (int arg = 1; arg < argc; ++arg) {
        const KeySym sym = XStringToKeysym(argv[arg]);
        if (sym == NoSymbol || spare.empty()) {
            std::fprintf(stderr, "bind_keys: cannot bind %s\n", argv[arg]);
            status = 1;
            continue;
        }
        if (XKeysymToKeycode(display, sym) != 0)
            continue; // already on the keyboard
        KeySym lower = 0, upper = 0;
        XConvertCase(sym, &lower, &upper);
        KeySym pair[2] = {lower, upper};
        XChangeKeyboardMapping(display, spare.back(), 2, pair, 1);
        spare.pop_back();
        XSync(display, False);
    }
    XCloseDisplay(display);
    return status;
}
