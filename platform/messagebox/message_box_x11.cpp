// Linux: a small dialog window drawn with Xlib, with the text and an OK button, that
// returns when OK is pressed (by the mouse, Return, Enter, Escape or space) or the window
// is closed. Without a display the caption and text go to standard error and the call
// returns at once. FX_MESSAGE_BOX (message_box.h) can send them elsewhere.
#include "message_box.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace fxplatform {

namespace {

enum class Destination { Display, StandardError, Nowhere };

Destination chosenDestination() {
    const char* setting = std::getenv("FX_MESSAGE_BOX");
    if (setting && std::strcmp(setting, "stderr") == 0) return Destination::StandardError;
    if (setting && std::strcmp(setting, "off") == 0) return Destination::Nowhere;
    return Destination::Display;
}

void printToStandardError(const char* caption, const char* text) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
}

std::vector<std::string> linesOf(const char* text) {
    std::vector<std::string> lines;
    const char* start = text;
    for (const char* p = text;; ++p) {
        if (*p == '\n' || *p == 0) {
            lines.emplace_back(start, p);
            if (*p == 0) break;
            start = p + 1;
        }
    }
    return lines;
}

constexpr int kMargin = 20;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;

class Dialog {
public:
    Dialog(Display* display, const char* caption, const char* text)
        : display(display), lines(linesOf(text)) {
        const int screen = DefaultScreen(display);
        font = XLoadQueryFont(display, "fixed");
        lineHeight = font ? font->ascent + font->descent + 2 : 15;
        int textWidth = 0;
        for (const auto& line : lines)
            textWidth = std::max(textWidth, widthOf(line));
        width = std::max(textWidth, kButtonWidth) + 2 * kMargin;
        height = kMargin + static_cast<int>(lines.size()) * lineHeight + kMargin + kButtonHeight +
                 kMargin;
        button = {static_cast<short>((width - kButtonWidth) / 2),
                  static_cast<short>(height - kMargin - kButtonHeight),
                  static_cast<unsigned short>(kButtonWidth),
                  static_cast<unsigned short>(kButtonHeight)};

        // Centred on the screen, as a task-modal box appears.
        const int x = std::max(0, (DisplayWidth(display, screen) - width) / 2);
        const int y = std::max(0, (DisplayHeight(display, screen) - height) / 2);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), x, y,
                                     static_cast<unsigned>(width), static_cast<unsigned>(height), 1,
                                     BlackPixel(display, screen), WhitePixel(display, screen));
        XStoreName(display, window, caption);
        XSizeHints* hints = XAllocSizeHints();
        if (hints) {
            hints->flags = PPosition | PMinSize | PMaxSize;
            hints->x = x;
            hints->y = y;
            hints->min_width = hints->max_width = width;
            hints->min_height = hints->max_height = height;
            XSetWMNormalHints(display, window, hints);
            XFree(hints);
        }
        deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteWindow, 1);
        XSelectInput(display, window,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask |
                         StructureNotifyMask);
        gc = XCreateGC(display, window, 0, nullptr);
        XSetForeground(display, gc, BlackPixel(display, screen));
        if (font) XSetFont(display, gc, font->fid);
        XMapRaised(display, window);
    }

    ~Dialog() {
        XFreeGC(display, gc);
        if (font) XFreeFont(display, font);
        XDestroyWindow(display, window);
        XFlush(display);
    }

    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Returns when the user has answered.
    void waitForOk() {
        bool pressedOnButton = false;
        for (;;) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) draw(pressedOnButton);
                break;
            case ButtonPress:
                pressedOnButton = onButton(event.xbutton.x, event.xbutton.y);
                draw(pressedOnButton);
                break;
            case ButtonRelease:
                if (pressedOnButton && onButton(event.xbutton.x, event.xbutton.y)) return;
                pressedOnButton = false;
                draw(false);
                break;
            case KeyPress: {
                const KeySym key = XLookupKeysym(&event.xkey, 0);
                if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space)
                    return;
                break;
            }
            case ClientMessage:
                if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) return;
                break;
            default:
                break;
            }
        }
    }

private:
    int widthOf(const std::string& line) const {
        if (!font) return 7 * static_cast<int>(line.size());
        return XTextWidth(font, line.data(), static_cast<int>(line.size()));
    }

    bool onButton(int x, int y) const {
        return x >= button.x && x < button.x + button.width && y >= button.y &&
               y < button.y + button.height;
    }

    void draw(bool pressed) {
        XClearWindow(display, window);
        const int ascent = font ? font->ascent : 11;
        int y = kMargin + ascent;
        for (const auto& line : lines) {
            XDrawString(display, window, gc, kMargin, y, line.data(),
                        static_cast<int>(line.size()));
            y += lineHeight;
        }
        XDrawRectangle(display, window, gc, button.x, button.y, button.width - 1u,
                       button.height - 1u);
        if (pressed)
            XDrawRectangle(display, window, gc, button.x + 2, button.y + 2, button.width - 5u,
                           button.height - 5u);
        const std::string ok = "OK";
        XDrawString(display, window, gc, button.x + (button.width - widthOf(ok)) / 2,
                    button.y + (button.height + ascent) / 2 - 1, ok.data(),
                    static_cast<int>(ok.size()));
        XFlush(display);
    }

    Display* display;
    std::vector<std::string> lines;
    XFontStruct* font = nullptr;
    int lineHeight = 15;
    int width = 0;
    int height = 0;
    XRectangle button{};
    Window window = 0;
    Atom deleteWindow = 0;
    GC gc = nullptr;
};

} // namespace

void showMessageBox(const char* caption, const char* text) {
    switch (chosenDestination()) {
    case Destination::Nowhere:
        return;
    case Destination::StandardError:
        printToStandardError(caption, text);
        return;
    case Destination::Display:
        break;
    }
    // One box at a time, like a task-modal box, even when instances are created on several
    // threads; each box has its own display connection.
    static std::mutex oneBoxAtATime;
    std::lock_guard lock(oneBoxAtATime);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        printToStandardError(caption, text);
        return;
    }
    {
        Dialog dialog(display, caption, text);
        dialog.waitForOk();
    }
    XCloseDisplay(display);
}

} // namespace fxplatform
