// The window system over Xlib, for hosts that hand over an X11 window id as the editor's
// parent. Window handles are X window ids.
//
// The connection: the editor's windows live on a connection of our own, opened on the
// window thread when the first window is made and closed when the window class goes. The
// window procedure sees its events only when someone pumps them (peekMessage: the
// editor's idle call and its drag loops).
//
// Drawing from another thread (the audio thread refreshing the meter) makes no X call
// there, which would be a system call on the audio thread and would share the
// connection between threads: the copy is noted instead, the latest one per target
// rectangle, and the window thread carries it out the next time it pumps. The other
// thread only tries for the note board and skips the drawing when the window thread holds
// it at that moment, so it never waits.
//
// X errors on our connection (a window the host has already destroyed, say) are ignored
// by an error handler of ours, which passes every other connection's errors on to the
// handler that was there before.
#include "window_system.h"

#include "pending_copies.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cstring>
#include <thread>

struct fxwin::PictureObject {
    const PictureResource* resource;
    XImage image;
};

struct fxwin::DrawingContextObject {
    std::atomic<bool> used{false};
    Display* display = nullptr;
    Window window = 0; // 0 for a memory context
    GC gc = nullptr;
    bool foreign = false;
    PictureHandle selected = nullptr;
};

namespace fxwin {

namespace {

constexpr std::uint32_t kMessageClose = 16; // a window's close button
constexpr unsigned long kButtonFace = 0xF0F0F0;
constexpr int kMaxWindows = 64;
constexpr int kMaxClasses = 8;
constexpr int kClassNameSize = 64;
constexpr int kContexts = 8;
constexpr int kPendingCopies = 16;

struct OurWindow {
    Window id = 0;
    Window parent = 0; // the parent of a child window, the owner of a top-level one
    bool child = false;
    bool alive = false;
    WindowProcedure procedure = nullptr;
    std::intptr_t userData = 0;
};

using PendingCopyBoard = PendingCopies<Window, PictureHandle, kPendingCopies>;
using PendingCopy = PendingCopyBoard::Copy;

struct WindowClassEntry {
    char name[kClassNameSize] = {};
    WindowProcedure procedure = nullptr;
};

struct State {
    Display* display = nullptr; // the window thread's connection
    std::thread::id windowThread;
    GC gc = nullptr;
    Atom protocols = 0;
    Atom deleteWindow = 0;
    XErrorHandler previousHandler = nullptr;
    bool handlerInstalled = false;
    WindowClassEntry classes[kMaxClasses];
    OurWindow windows[kMaxWindows];
    // Held by the window thread while it changes `windows` or takes the pending copies,
    // and by another thread from getDC to releaseDC.
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    std::atomic<Display*> ours{nullptr};
    DrawingContextObject contexts[kContexts];
    PendingCopyBoard copies;
};

State& state() {
    static State s;
    return s;
}

Window idOf(WindowHandle w) {
    return static_cast<Window>(reinterpret_cast<std::uintptr_t>(w));
}
WindowHandle handleOf(Window id) {
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(id));
}

bool onWindowThread(const State& s) {
    return s.ours.load(std::memory_order_acquire) && std::this_thread::get_id() == s.windowThread;
}

void lock(State& s) {
    while (s.busy.test_and_set(std::memory_order_acquire))
        std::this_thread::yield();
}
void unlock(State& s) {
    s.busy.clear(std::memory_order_release);
}

OurWindow* find(State& s, Window id) {
    if (!id) return nullptr;
    for (OurWindow& w : s.windows)
        if (w.alive && w.id == id) return &w;
    return nullptr;
}

int ignoreOurErrors(Display* display, XErrorEvent* error) {
    State& s = state();
    if (display == s.ours.load(std::memory_order_relaxed)) return 0;
    return s.previousHandler ? s.previousHandler(display, error) : 0;
}

bool openConnections(State& s) {
    if (s.display) return true;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    lock(s);
    s.display = display;
    s.windowThread = std::this_thread::get_id();
    s.ours.store(display, std::memory_order_release);
    s.gc = XCreateGC(display, DefaultRootWindow(display), 0, nullptr);
    s.protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    s.deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    unlock(s);
    s.previousHandler = XSetErrorHandler(ignoreOurErrors);
    s.handlerInstalled = true;
    return true;
}

void closeConnections(State& s) {
    if (!s.display) return;
    lock(s);
    for (OurWindow& w : s.windows)
        w = OurWindow{};
    s.copies.clear();
    XFreeGC(s.display, s.gc);
    XCloseDisplay(s.display); // takes any window of ours left on the server with it
    s.display = nullptr;
    s.gc = nullptr;
    s.ours.store(nullptr, std::memory_order_release);
    unlock(s);
    // Hand the error handling back, unless someone else has replaced ours since.
    if (s.handlerInstalled) {
        XErrorHandler current = XSetErrorHandler(s.previousHandler);
        if (current != ignoreOurErrors) XSetErrorHandler(current);
        s.handlerInstalled = false;
    }
}

// With the lock held: the window and everything inside it or owned by it are gone.
void forget(State& s, Window id) {
    for (OurWindow& w : s.windows)
        if (w.alive && w.id == id) w.alive = false;
    s.copies.forget(id, nullptr);
    for (OurWindow& w : s.windows)
        if (w.alive && w.parent == id) forget(s, w.id);
}

WindowClassEntry* findClass(State& s, const char* name) {
    for (WindowClassEntry& c : s.classes)
        if (c.procedure && std::strncmp(c.name, name, kClassNameSize) == 0) return &c;
    return nullptr;
}

DrawingContext takeContext(State& s) {
    for (DrawingContextObject& c : s.contexts) {
        bool expected = false;
        if (c.used.compare_exchange_strong(expected, true, std::memory_order_acquire)) return &c;
    }
    return nullptr;
}

void giveBack(DrawingContext c) {
    c->display = nullptr;
    c->window = 0;
    c->selected = nullptr;
    c->used.store(false, std::memory_order_release);
}

MessageData pointOf(int x, int y) {
    return pointData(x, y);
}

// Copies a rectangle of a picture into a window, within the picture's bounds.
void putPicture(Display* display, GC gc, Window window, PictureHandle picture, int x, int y,
                int width, int height, int sourceX, int sourceY) {
    XImage& image = picture->image;
    if (sourceX < 0) {
        x -= sourceX;
        width += sourceX;
        sourceX = 0;
    }
    if (sourceY < 0) {
        y -= sourceY;
        height += sourceY;
        sourceY = 0;
    }
    if (sourceX + width > image.width) width = image.width - sourceX;
    if (sourceY + height > image.height) height = image.height - sourceY;
    if (width <= 0 || height <= 0) return;
    XPutImage(display, window, gc, &image, sourceX, sourceY, x, y, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
}

// On the window thread: carries out the copies other threads asked for.
void runPendingCopies(State& s) {
    PendingCopy taken[kPendingCopies];
    lock(s);
    const int count = s.copies.take(taken);
    unlock(s);
    for (int i = 0; i < count; ++i) {
        const PendingCopy& c = taken[i];
        putPicture(s.display, s.gc, c.window, c.picture, c.x, c.y, c.width, c.height, c.sourceX,
                   c.sourceY);
    }
    if (count) XFlush(s.display);
}

// The message an event stands for; 0 for events the editor has no message for.
std::uint32_t messageOf(const State& s, const XEvent& e) {
    switch (e.type) {
    case Expose:
        return e.xexpose.count == 0 ? std::uint32_t{kMessagePaint} : 0u;
    case KeyPress:
        return kMessageKeyDown;
    case MotionNotify:
        return kMessageMouseMove;
    case ButtonPress:
        if (e.xbutton.button == Button1) return kMessageLeftButtonDown;
        if (e.xbutton.button == Button3) return kMessageRightButtonDown;
        return 0;
    case ButtonRelease:
        if (e.xbutton.button == Button1) return kMessageLeftButtonUp;
        if (e.xbutton.button == Button3) return kMessageRightButtonUp;
        return 0;
    case ClientMessage:
        return e.xclient.message_type == s.protocols &&
                       static_cast<Atom>(e.xclient.data.l[0]) == s.deleteWindow
                   ? kMessageClose
                   : 0;
    default:
        return 0;
    }
}

struct Filter {
    State* state;
    Window window;
    std::uint32_t first, last;
};

Bool matches(Display*, XEvent* e, XPointer argument) {
    const Filter& f = *reinterpret_cast<Filter*>(argument);
    const std::uint32_t message = messageOf(*f.state, *e);
    if (!message) return False;
    if (f.window && e->xany.window != f.window) return False;
    if ((f.first || f.last) && (message < f.first || message > f.last)) return False;
    return True;
}

// Events without a message: noted where they matter, then dropped.
Bool housekeeping(Display*, XEvent* e, XPointer argument) {
    return messageOf(*reinterpret_cast<State*>(argument), *e) == 0;
}

} // namespace

bool registerClass(const WindowClass& windowClass) {
    State& s = state();
    if (!windowClass.name || findClass(s, windowClass.name)) return false;
    for (WindowClassEntry& c : s.classes)
        if (!c.procedure) {
            std::strncpy(c.name, windowClass.name, kClassNameSize - 1);
            c.procedure = windowClass.procedure;
            return true;
        }
    return false;
}

bool unregisterClass(const char* name, void*) {
    State& s = state();
    WindowClassEntry* c = findClass(s, name);
    if (!c) return false;
    *c = WindowClassEntry{};
    bool anyClass = false;
    for (const WindowClassEntry& other : s.classes)
        anyClass = anyClass || other.procedure;
    // Windows of a class cannot outlive it; with no class left the connections go.
    if (!anyClass && onWindowThread(s)) closeConnections(s);
    return true;
}

WindowHandle createWindow(const char* className, const char* title, std::uint32_t style, int x,
                          int y, int width, int height, WindowHandle parent, void*) {
    State& s = state();
    const WindowClassEntry* windowClass = findClass(s, className);
    const bool child = (style & kStyleChild) != 0;
    if (!windowClass || width <= 0 || height <= 0 || (child && !parent)) return nullptr;
    if (s.display && !onWindowThread(s)) return nullptr;
    if (!openConnections(s)) return nullptr;
    Display* display = s.display;

    Window parentId = child ? idOf(parent) : DefaultRootWindow(display);
    XWindowAttributes parentAttributes;
    if (!XGetWindowAttributes(display, parentId, &parentAttributes)) return nullptr;

    OurWindow* slot = nullptr;
    for (OurWindow& w : s.windows)
        if (!w.alive) {
            slot = &w;
            break;
        }
    if (!slot) return nullptr;

    XSetWindowAttributes attributes;
    attributes.background_pixel = kButtonFace;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | StructureNotifyMask;
    const Window id = XCreateWindow(display, parentId, x, y, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (!id) return nullptr;
    if (!child) {
        XStoreName(display, id, title);
        XSetWMProtocols(display, id, &s.deleteWindow, 1);
        if (parent && find(s, idOf(parent))) XSetTransientForHint(display, id, idOf(parent));
        XSizeHints hints{};
        hints.flags = USPosition | USSize | PMinSize | PMaxSize;
        hints.x = x;
        hints.y = y;
        hints.width = hints.min_width = hints.max_width = width;
        hints.height = hints.min_height = hints.max_height = height;
        XSetWMNormalHints(display, id, &hints);
    }
    lock(s);
    *slot = OurWindow{id, child ? parentId : idOf(parent), child, true, windowClass->procedure, 0};
    unlock(s);
    if (style & kStyleVisible) XMapWindow(display, id);
    XFlush(display);
    return handleOf(id);
}

bool destroyWindow(WindowHandle window) {
    State& s = state();
    if (!onWindowThread(s)) return false;
    const Window id = idOf(window);
    if (!find(s, id)) return false;
    // Owned top-level windows are not inside it on the server: they go one by one.
    for (OurWindow& w : s.windows)
        if (w.alive && !w.child && w.parent == id) destroyWindow(handleOf(w.id));
    lock(s);
    forget(s, id);
    unlock(s);
    XDestroyWindow(s.display, id);
    XFlush(s.display);
    return true;
}

bool isWindow(WindowHandle window) {
    State& s = state();
    return onWindowThread(s) && find(s, idOf(window)) != nullptr;
}

bool isWindowEnabled(WindowHandle window) {
    return isWindow(window);
}

std::intptr_t setUserData(WindowHandle window, std::intptr_t data) {
    State& s = state();
    OurWindow* w = onWindowThread(s) ? find(s, idOf(window)) : nullptr;
    if (!w) return 0;
    const std::intptr_t previous = w->userData;
    w->userData = data;
    return previous;
}

std::intptr_t getUserData(WindowHandle window) {
    State& s = state();
    const OurWindow* w = onWindowThread(s) ? find(s, idOf(window)) : nullptr;
    return w ? w->userData : 0;
}

MessageData defaultProcedure(WindowHandle window, std::uint32_t message, MessageParam,
                             MessageData) {
    if (message == kMessageClose) destroyWindow(window);
    return 0;
}

DrawingContext beginPaint(WindowHandle window, PaintInfo* paint) {
    DrawingContext context = getDC(window);
    if (paint) *paint = {context, 0, 0, 0, 0};
    return context;
}

void endPaint(WindowHandle window, const PaintInfo* paint) {
    if (paint && paint->context) releaseDC(window, paint->context);
}

void setCapture(WindowHandle window) {
    State& s = state();
    if (!onWindowThread(s) || !find(s, idOf(window))) return;
    XGrabPointer(s.display, idOf(window), False,
                 ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                 GrabModeAsync, None, None, CurrentTime);
    XFlush(s.display);
}

void releaseCapture() {
    State& s = state();
    if (!onWindowThread(s)) return;
    XUngrabPointer(s.display, CurrentTime);
    XFlush(s.display);
}

bool peekMessage(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last) {
    State& s = state();
    if (!onWindowThread(s)) return false;
    runPendingCopies(s);
    XEvent event;
    while (XCheckIfEvent(s.display, &event, housekeeping, reinterpret_cast<XPointer>(&s))) {
        if (event.type == DestroyNotify) {
            // Gone with the host's window.
            lock(s);
            forget(s, event.xdestroywindow.window);
            unlock(s);
        }
    }
    Filter filter{&s, idOf(window), first, last};
    if (!XCheckIfEvent(s.display, &event, matches, reinterpret_cast<XPointer>(&filter)))
        return false;
    message->window = handleOf(event.xany.window);
    message->message = messageOf(s, event);
    message->wParam = 0;
    message->lParam = 0;
    switch (event.type) {
    case KeyPress:
        message->wParam = XLookupKeysym(&event.xkey, 0);
        break;
    case MotionNotify:
        message->lParam = pointOf(event.xmotion.x, event.xmotion.y);
        break;
    case ButtonPress:
    case ButtonRelease:
        message->lParam = pointOf(event.xbutton.x, event.xbutton.y);
        break;
    default:
        break;
    }
    return true;
}

void translateMessage(const Message*) {}

MessageData dispatchMessage(const Message* message) {
    State& s = state();
    const OurWindow* w = onWindowThread(s) ? find(s, idOf(message->window)) : nullptr;
    if (!w || !w->procedure) return 0;
    return w->procedure(message->window, message->message, message->wParam, message->lParam);
}

PictureHandle loadPicture(void*, int resourceId) {
    const PictureResource* resource = findPictureResource(resourceId);
    if (!resource) return nullptr;
    auto* picture = new PictureObject{resource, {}};
    XImage& image = picture->image;
    image.width = resource->width;
    image.height = resource->height;
    image.xoffset = 0;
    image.format = ZPixmap;
    // Xlib only reads the pixels of an image it puts.
    image.data = reinterpret_cast<char*>(const_cast<std::uint32_t*>(resource->pixels));
    image.byte_order = LSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = LSBFirst;
    image.bitmap_pad = 32;
    image.depth = 24;
    image.bytes_per_line = resource->width * 4;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0x00FF00;
    image.blue_mask = 0x0000FF;
    if (!XInitImage(&image)) {
        delete picture;
        return nullptr;
    }
    return picture;
}

int pictureWidth(PictureHandle picture) {
    return picture ? picture->resource->width : 0;
}

void deletePicture(PictureHandle picture) {
    if (!picture) return;
    State& s = state();
    lock(s);
    s.copies.forget(0, picture);
    unlock(s);
    delete picture;
}

DrawingContext getDC(WindowHandle window) {
    State& s = state();
    const Window id = idOf(window);
    if (onWindowThread(s)) {
        if (!find(s, id)) return nullptr;
        DrawingContext c = takeContext(s);
        if (!c) return nullptr;
        c->display = s.display;
        c->window = id;
        c->gc = s.gc;
        c->foreign = false;
        return c;
    }
    // Another thread: only if the window thread is not at the windows right now; the
    // window stays as it is until releaseDC. Its copies are noted, not made.
    if (s.busy.test_and_set(std::memory_order_acquire)) return nullptr;
    DrawingContext c =
        s.ours.load(std::memory_order_relaxed) && find(s, id) ? takeContext(s) : nullptr;
    if (!c) {
        unlock(s);
        return nullptr;
    }
    c->display = nullptr;
    c->window = id;
    c->gc = nullptr;
    c->foreign = true;
    return c;
}

void releaseDC(WindowHandle, DrawingContext context) {
    if (!context) return;
    const bool foreign = context->foreign;
    if (!foreign && context->display) XFlush(context->display);
    giveBack(context);
    if (foreign) unlock(state());
}

DrawingContext createCompatibleDC(DrawingContext context) {
    if (!context) return nullptr;
    DrawingContext memory = takeContext(state());
    if (memory) memory->foreign = false;
    return memory;
}

PictureHandle selectPicture(DrawingContext context, PictureHandle picture) {
    if (!context || context->window) return nullptr;
    PictureHandle previous = context->selected;
    context->selected = picture;
    return previous;
}

bool bitBlt(DrawingContext target, int x, int y, int width, int height, DrawingContext source,
            int sourceX, int sourceY) {
    if (!target || !target->window || !source || !source->selected) return false;
    if (!target->foreign) {
        putPicture(target->display, target->gc, target->window, source->selected, x, y, width,
                   height, sourceX, sourceY);
        return true;
    }
    // Another thread, holding the note board since getDC: the latest copy into this
    // rectangle replaces any still waiting.
    return state().copies.note(
        PendingCopy{true, target->window, x, y, width, height, sourceX, sourceY, source->selected});
}

void deleteDC(DrawingContext context) {
    if (context) giveBack(context);
}

} // namespace fxwin
