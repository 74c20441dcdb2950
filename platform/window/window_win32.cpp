// The window system on Windows: each operation forwards to the Windows API call it
// stands for. Window handles are HWNDs, pictures are bitmaps loaded from the module's
// own bitmap resources, drawing contexts wrap device contexts.
//
// Drawing from another thread (the audio thread refreshing the meter) makes no call to
// the system there: that would be a system call on the audio thread, which may wait on
// the window system's own locks. The copy is noted instead, the latest one per target
// rectangle, and the window thread (the thread that made the windows) carries it out the
// next time it pumps messages, as the X11 backend does. The other thread only tries for
// the note board and skips the drawing when the window thread holds it at that moment,
// so it never waits; the editor draws a skipped meter frame again on its next refresh.
#include "window_system.h"

#include "pending_copies.h"

#include <windows.h>

#include <atomic>
#include <cstring>

struct fxwin::DrawingContextObject {
    enum Kind { kWindow, kPaint, kMemory, kNote, kNoteMemory };
    std::atomic<bool> used{false};
    Kind kind = kWindow;
    HDC dc = nullptr;
    HWND window = nullptr;
    PictureHandle selected = nullptr; // kNoteMemory only
};

namespace fxwin {

namespace {

constexpr int kMaxClasses = 8;
constexpr int kClassNameSize = 64;
constexpr int kContexts = 16;
constexpr int kPendingCopies = 16;
constexpr int kMaxOwnedWindows = 16;

struct WindowClassEntry {
    ATOM atom = 0;
    char name[kClassNameSize] = {};
    WindowProcedure procedure = nullptr;
};

using PendingCopyBoard = PendingCopies<HWND, HBITMAP, kPendingCopies>;
using PendingCopy = PendingCopyBoard::Copy;

// A top-level window and the window named as its owner when it was made. Windows makes
// the top-level window around a child the owner instead; the layer's promise that a
// window takes the windows it owns along stands on this table.
struct OwnedWindow {
    HWND window = nullptr;
    HWND owner = nullptr;
};

struct State {
    WindowClassEntry classes[kMaxClasses];
    OwnedWindow owned[kMaxOwnedWindows]; // window thread only
    // The thread that made the windows; 0 before the first.
    std::atomic<DWORD> windowThread{0};
    // Held by the window thread while it changes or takes the pending copies, and by
    // another thread from getDC to releaseDC.
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    DrawingContextObject contexts[kContexts];
    PendingCopyBoard copies;
    // The message peekMessage took last, whole (time and cursor position included), for
    // translateMessage and dispatchMessage.
    MSG lastTaken{};
};

State& state() {
    static State s;
    return s;
}

HWND hwndOf(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
WindowHandle handleOf(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}
HBITMAP bitmapOf(PictureHandle picture) {
    return reinterpret_cast<HBITMAP>(picture);
}
PictureHandle pictureOf(HGDIOBJ bitmap) {
    return reinterpret_cast<PictureHandle>(bitmap);
}

// GetCurrentThreadId reads the thread's own block: no system call.
bool onOtherThread(const State& s) {
    const DWORD owner = s.windowThread.load(std::memory_order_acquire);
    return owner != 0 && owner != GetCurrentThreadId();
}

void lock(State& s) {
    while (s.busy.test_and_set(std::memory_order_acquire))
        YieldProcessor();
}
void unlock(State& s) {
    s.busy.clear(std::memory_order_release);
}

DrawingContext takeContext(State& s, DrawingContextObject::Kind kind) {
    for (DrawingContextObject& c : s.contexts) {
        bool expected = false;
        if (c.used.compare_exchange_strong(expected, true, std::memory_order_acquire)) {
            c.kind = kind;
            c.dc = nullptr;
            c.window = nullptr;
            c.selected = nullptr;
            return &c;
        }
    }
    return nullptr;
}

void giveBack(DrawingContext c) {
    c->dc = nullptr;
    c->window = nullptr;
    c->selected = nullptr;
    c->used.store(false, std::memory_order_release);
}

// On the window thread: carries out the copies other threads asked for.
void runPendingCopies(State& s) {
    PendingCopy taken[kPendingCopies];
    lock(s);
    const int count = s.copies.take(taken);
    unlock(s);
    for (int i = 0; i < count; ++i) {
        const PendingCopy& c = taken[i];
        const HDC target = GetDC(c.window); // null for a window gone meanwhile
        if (!target) continue;
        if (const HDC memory = CreateCompatibleDC(target)) {
            const HGDIOBJ previous = SelectObject(memory, c.picture);
            BitBlt(target, c.x, c.y, c.width, c.height, memory, c.sourceX, c.sourceY, SRCCOPY);
            if (previous) SelectObject(memory, previous);
            DeleteDC(memory);
        }
        ReleaseDC(c.window, target);
    }
}

WindowClassEntry* classOf(State& s, HWND window) {
    const auto atom = static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM));
    for (WindowClassEntry& c : s.classes)
        if (c.procedure && c.atom == atom) return &c;
    return nullptr;
}

// The window procedure Windows calls for every class of ours; passes on to the class's
// procedure in our calling convention.
LRESULT CALLBACK classProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WindowClassEntry* entry = classOf(state(), window);
    if (!entry) return DefWindowProcA(window, message, wParam, lParam);
    return entry->procedure(handleOf(window), message, wParam, lParam);
}

} // namespace

bool registerClass(const WindowClass& windowClass) {
    State& s = state();
    if (!windowClass.name || !windowClass.procedure) return false;
    WindowClassEntry* slot = nullptr;
    for (WindowClassEntry& c : s.classes)
        if (!c.procedure) {
            slot = &c;
            break;
        }
    if (!slot) return false;
    WNDCLASSA description{};
    description.lpfnWndProc = classProcedure;
    description.hInstance = static_cast<HINSTANCE>(windowClass.instance);
    description.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    description.lpszClassName = windowClass.name;
    const ATOM atom = RegisterClassA(&description);
    if (!atom) return false;
    slot->atom = atom;
    std::strncpy(slot->name, windowClass.name, kClassNameSize - 1);
    slot->procedure = windowClass.procedure;
    return true;
}

bool unregisterClass(const char* name, void* instance) {
    if (!name) return false;
    const bool unregistered = UnregisterClassA(name, static_cast<HINSTANCE>(instance)) != 0;
    if (unregistered)
        for (WindowClassEntry& c : state().classes)
            if (c.procedure && std::strncmp(c.name, name, kClassNameSize) == 0)
                c = WindowClassEntry{};
    return unregistered;
}

WindowHandle createWindow(const char* className, const char* title, std::uint32_t style, int x,
                          int y, int width, int height, WindowHandle parent, void* instance) {
    State& s = state();
    s.windowThread.store(GetCurrentThreadId(), std::memory_order_release);
    const HWND window =
        CreateWindowExA(0, className, title, style, x, y, width, height, hwndOf(parent), nullptr,
                        static_cast<HINSTANCE>(instance), nullptr);
    if (window && parent && !(style & WS_CHILD))
        for (OwnedWindow& entry : s.owned)
            if (!entry.window || !IsWindow(entry.window)) {
                entry = {window, hwndOf(parent)};
                break;
            }
    return handleOf(window);
}

bool destroyWindow(WindowHandle window) {
    State& s = state();
    const HWND destroyed = hwndOf(window);
    for (OwnedWindow& entry : s.owned) {
        if (entry.window && entry.owner == destroyed) {
            const HWND owned = entry.window;
            entry = {};
            // Still the window we made, not one closed meanwhile whose handle came back.
            if (IsWindow(owned) && classOf(s, owned)) destroyWindow(handleOf(owned));
        } else if (entry.window == destroyed) {
            entry = {};
        }
    }
    lock(s);
    s.copies.forget(destroyed, nullptr);
    unlock(s);
    return DestroyWindow(destroyed) != 0;
}

bool isWindow(WindowHandle window) {
    return window && IsWindow(hwndOf(window));
}

bool isWindowEnabled(WindowHandle window) {
    return window && IsWindowEnabled(hwndOf(window));
}

std::intptr_t setUserData(WindowHandle window, std::intptr_t data) {
    return SetWindowLongPtrA(hwndOf(window), GWLP_USERDATA, data);
}

std::intptr_t getUserData(WindowHandle window) {
    return GetWindowLongPtrA(hwndOf(window), GWLP_USERDATA);
}

MessageData defaultProcedure(WindowHandle window, std::uint32_t message, MessageParam wParam,
                             MessageData lParam) {
    return DefWindowProcA(hwndOf(window), message, wParam, lParam);
}

DrawingContext beginPaint(WindowHandle window, PaintInfo* paint) {
    PAINTSTRUCT ps{};
    const HDC dc = BeginPaint(hwndOf(window), &ps);
    DrawingContext context = dc ? takeContext(state(), DrawingContextObject::kPaint) : nullptr;
    if (context) {
        context->dc = dc;
        context->window = hwndOf(window);
    } else if (dc) {
        EndPaint(hwndOf(window), &ps); // no context to hand out: the bracket closes here
    }
    if (paint)
        *paint = {context, int(ps.rcPaint.left), int(ps.rcPaint.top), int(ps.rcPaint.right),
                  int(ps.rcPaint.bottom)};
    return context;
}

void endPaint(WindowHandle window, const PaintInfo* paint) {
    if (!paint || !paint->context) return;
    PAINTSTRUCT ps{};
    ps.hdc = paint->context->dc;
    ps.rcPaint = RECT{paint->left, paint->top, paint->right, paint->bottom};
    EndPaint(hwndOf(window), &ps);
    giveBack(paint->context);
}

void setCapture(WindowHandle window) {
    SetCapture(hwndOf(window));
}

void releaseCapture() {
    ReleaseCapture();
}

bool peekMessage(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last) {
    State& s = state();
    if (!onOtherThread(s)) runPendingCopies(s);
    MSG taken;
    if (!PeekMessageA(&taken, hwndOf(window), first, last, PM_REMOVE)) return false;
    if (taken.message == WM_QUIT) {
        // The host's own loop ends on it: it goes back on the queue for that loop.
        PostQuitMessage(static_cast<int>(taken.wParam));
        return false;
    }
    s.lastTaken = taken;
    *message = {handleOf(taken.hwnd), taken.message, taken.wParam, taken.lParam};
    return true;
}

namespace {

MSG wholeMessage(const Message* message) {
    const MSG& last = state().lastTaken;
    if (last.hwnd == hwndOf(message->window) && last.message == message->message &&
        last.wParam == message->wParam && last.lParam == message->lParam)
        return last;
    MSG whole{};
    whole.hwnd = hwndOf(message->window);
    whole.message = message->message;
    whole.wParam = message->wParam;
    whole.lParam = message->lParam;
    return whole;
}

} // namespace

void translateMessage(const Message* message) {
    const MSG whole = wholeMessage(message);
    TranslateMessage(&whole);
}

MessageData dispatchMessage(const Message* message) {
    const MSG whole = wholeMessage(message);
    return DispatchMessageA(&whole);
}

PictureHandle loadPicture(void* instance, int resourceId) {
    return pictureOf(LoadBitmapA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(resourceId)));
}

int pictureWidth(PictureHandle picture) {
    BITMAP description{};
    if (!picture || !GetObjectA(bitmapOf(picture), sizeof description, &description)) return 0;
    return description.bmWidth;
}

void deletePicture(PictureHandle picture) {
    if (!picture) return;
    State& s = state();
    lock(s);
    s.copies.forget(nullptr, bitmapOf(picture));
    unlock(s);
    DeleteObject(bitmapOf(picture));
}

DrawingContext getDC(WindowHandle window) {
    State& s = state();
    if (!window) return nullptr;
    if (!onOtherThread(s)) {
        const HDC dc = GetDC(hwndOf(window));
        if (!dc) return nullptr;
        DrawingContext context = takeContext(s, DrawingContextObject::kWindow);
        if (!context) {
            ReleaseDC(hwndOf(window), dc);
            return nullptr;
        }
        context->dc = dc;
        context->window = hwndOf(window);
        return context;
    }
    // Another thread: only if the window thread is not at the notes right now. Its
    // copies are noted, not made.
    if (s.busy.test_and_set(std::memory_order_acquire)) return nullptr;
    DrawingContext context = takeContext(s, DrawingContextObject::kNote);
    if (!context) {
        unlock(s);
        return nullptr;
    }
    context->window = hwndOf(window);
    return context;
}

void releaseDC(WindowHandle window, DrawingContext context) {
    if (!context) return;
    const bool note = context->kind == DrawingContextObject::kNote;
    if (!note && context->dc) ReleaseDC(hwndOf(window), context->dc);
    giveBack(context);
    if (note) unlock(state());
}

DrawingContext createCompatibleDC(DrawingContext context) {
    if (!context) return nullptr;
    State& s = state();
    if (context->kind == DrawingContextObject::kNote)
        return takeContext(s, DrawingContextObject::kNoteMemory);
    const HDC dc = CreateCompatibleDC(context->dc);
    if (!dc) return nullptr;
    DrawingContext memory = takeContext(s, DrawingContextObject::kMemory);
    if (!memory) {
        DeleteDC(dc);
        return nullptr;
    }
    memory->dc = dc;
    return memory;
}

PictureHandle selectPicture(DrawingContext context, PictureHandle picture) {
    if (!context || !picture) return nullptr;
    switch (context->kind) {
    case DrawingContextObject::kMemory:
        return pictureOf(SelectObject(context->dc, bitmapOf(picture)));
    case DrawingContextObject::kNoteMemory: {
        const PictureHandle previous = context->selected;
        context->selected = picture;
        return previous;
    }
    default:
        return nullptr;
    }
}

bool bitBlt(DrawingContext target, int x, int y, int width, int height, DrawingContext source,
            int sourceX, int sourceY) {
    if (!target || !source) return false;
    if (target->kind != DrawingContextObject::kNote) {
        if (source->kind == DrawingContextObject::kNoteMemory || !source->dc) return false;
        return BitBlt(target->dc, x, y, width, height, source->dc, sourceX, sourceY, SRCCOPY) != 0;
    }
    if (source->kind != DrawingContextObject::kNoteMemory || !source->selected) return false;
    // Another thread, holding the note board since getDC: the latest copy into this
    // rectangle replaces any still waiting.
    return state().copies.note(PendingCopy{true, target->window, x, y, width, height, sourceX,
                                           sourceY, bitmapOf(source->selected)});
}

void deleteDC(DrawingContext context) {
    if (!context) return;
    if (context->kind == DrawingContextObject::kMemory && context->dc) DeleteDC(context->dc);
    giveBack(context);
}

} // namespace fxwin
