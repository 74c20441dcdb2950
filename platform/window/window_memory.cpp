// The in-memory backend (window_memory.h). Window objects are never freed before reset,
// so a stale handle is always safe to look at: it just reads as not a window.
#include "window_memory.h"

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

struct fxwin::WindowObject {
    int number;
    memory::WindowInfo info;
    WindowProcedure procedure = nullptr;
    WindowHandle owner = nullptr;
    std::intptr_t userData = 0;
    bool enabled = true;
    std::vector<std::uint32_t> pixels;
};

struct fxwin::PictureObject {
    const PictureResource* resource;
};

struct fxwin::DrawingContextObject {
    WindowHandle window = nullptr; // a window's context; null for a memory context
    PictureHandle selected = nullptr;
};

namespace fxwin {

namespace {

struct State {
    std::mutex mutex;
    std::vector<std::unique_ptr<WindowObject>> windows;
    std::map<std::string, WindowProcedure> classes;
    std::deque<Message> queue;
    std::vector<std::string> calls;
    WindowHandle captured = nullptr;
    std::function<void()> queueEmpty;
};

State& state() {
    static State s;
    return s;
}

using Lock = std::lock_guard<std::mutex>;

// With the lock held.
bool alive(const State& s, WindowHandle w) {
    if (!w) return false;
    for (const auto& window : s.windows)
        if (window.get() == w) return window->info.alive;
    return false;
}

void log(State& s, std::string entry) {
    s.calls.push_back(std::move(entry));
}

void destroyLocked(State& s, WindowHandle w) {
    w->info.alive = false;
    log(s, "destroyWindow " + std::to_string(w->number));
    if (s.captured == w) s.captured = nullptr;
    std::erase_if(s.queue, [w](const Message& m) { return m.window == w; });
    for (const auto& other : s.windows)
        if (other->info.alive && (other->info.parent == w || other->owner == w))
            destroyLocked(s, other.get());
}

WindowHandle make(State& s, const std::string& className, const std::string& title,
                  std::uint32_t style, int x, int y, int width, int height, WindowHandle parent,
                  WindowProcedure procedure) {
    auto window = std::make_unique<WindowObject>();
    window->number = static_cast<int>(s.windows.size()) + 1;
    window->info = {className, title, style, x, y, width, height, parent, true};
    window->procedure = procedure;
    if (!(style & kStyleChild)) window->owner = parent;
    window->pixels.assign(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0),
                          memory::kButtonFace);
    WindowHandle handle = window.get();
    s.windows.push_back(std::move(window));
    return handle;
}

} // namespace

bool registerClass(const WindowClass& windowClass) {
    State& s = state();
    Lock lock(s.mutex);
    log(s, std::string("registerClass ") + windowClass.name);
    return s.classes.emplace(windowClass.name, windowClass.procedure).second;
}

bool unregisterClass(const char* name, void*) {
    State& s = state();
    Lock lock(s.mutex);
    log(s, std::string("unregisterClass ") + name);
    return s.classes.erase(name) > 0;
}

WindowHandle createWindow(const char* className, const char* title, std::uint32_t style, int x,
                          int y, int width, int height, WindowHandle parent, void*) {
    State& s = state();
    Lock lock(s.mutex);
    const auto found = s.classes.find(className);
    const bool childWithoutParent = (style & kStyleChild) && !alive(s, parent);
    if (found == s.classes.end() || childWithoutParent || width < 0 || height < 0) {
        log(s, std::string("createWindow failed \"") + title + "\"");
        return nullptr;
    }
    WindowHandle w = make(s, className, title, style, x, y, width, height, parent, found->second);
    log(s, "createWindow " + std::to_string(w->number) + " \"" + title + "\"");
    // A visible window asks to be painted once it is shown.
    if (style & kStyleVisible) s.queue.push_back({w, kMessagePaint, 0, 0});
    return w;
}

bool destroyWindow(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    if (!alive(s, window)) return false;
    destroyLocked(s, window);
    return true;
}

bool isWindow(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    return alive(s, window);
}

bool isWindowEnabled(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    return alive(s, window) && window->enabled;
}

std::intptr_t setUserData(WindowHandle window, std::intptr_t data) {
    State& s = state();
    Lock lock(s.mutex);
    if (!alive(s, window)) return 0;
    return std::exchange(window->userData, data);
}

std::intptr_t getUserData(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    return alive(s, window) ? window->userData : 0;
}

MessageData defaultProcedure(WindowHandle, std::uint32_t, MessageParam, MessageData) {
    return 0;
}

DrawingContext beginPaint(WindowHandle window, PaintInfo* paint) {
    State& s = state();
    {
        Lock lock(s.mutex);
        log(s, "beginPaint " + std::to_string(alive(s, window) ? window->number : 0));
        if (paint && alive(s, window))
            *paint = {nullptr, 0, 0, window->info.width, window->info.height};
    }
    DrawingContext context = getDC(window);
    if (paint) paint->context = context;
    return context;
}

void endPaint(WindowHandle window, const PaintInfo* paint) {
    if (paint && paint->context) releaseDC(window, paint->context);
    State& s = state();
    Lock lock(s.mutex);
    log(s, "endPaint");
}

void setCapture(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    if (!alive(s, window)) return;
    s.captured = window;
    log(s, "setCapture " + std::to_string(window->number));
}

void releaseCapture() {
    State& s = state();
    Lock lock(s.mutex);
    s.captured = nullptr;
    log(s, "releaseCapture");
}

bool peekMessage(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last) {
    State& s = state();
    std::function<void()> hook;
    {
        Lock lock(s.mutex);
        const bool anyNumber = first == 0 && last == 0;
        for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
            if (window && it->window != window) continue;
            if (!anyNumber && (it->message < first || it->message > last)) continue;
            *message = *it;
            s.queue.erase(it);
            return true;
        }
        hook = s.queueEmpty;
    }
    if (hook) hook();
    return false;
}

void translateMessage(const Message*) {}

MessageData dispatchMessage(const Message* message) {
    WindowProcedure procedure = nullptr;
    {
        State& s = state();
        Lock lock(s.mutex);
        if (!alive(s, message->window)) return 0;
        procedure = message->window->procedure;
    }
    return procedure
               ? procedure(message->window, message->message, message->wParam, message->lParam)
               : 0;
}

PictureHandle loadPicture(void*, int resourceId) {
    const PictureResource* resource = findPictureResource(resourceId);
    if (!resource) return nullptr;
    return new PictureObject{resource};
}

int pictureWidth(PictureHandle picture) {
    return picture ? picture->resource->width : 0;
}

void deletePicture(PictureHandle picture) {
    delete picture;
}

DrawingContext getDC(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    if (!alive(s, window)) return nullptr;
    return new DrawingContextObject{window, nullptr};
}

void releaseDC(WindowHandle, DrawingContext context) {
    delete context;
}

DrawingContext createCompatibleDC(DrawingContext) {
    return new DrawingContextObject{};
}

PictureHandle selectPicture(DrawingContext context, PictureHandle picture) {
    if (!context) return nullptr;
    return std::exchange(context->selected, picture);
}

bool bitBlt(DrawingContext target, int x, int y, int width, int height, DrawingContext source,
            int sourceX, int sourceY) {
    if (!target || !source || !source->selected) return false;
    State& s = state();
    Lock lock(s.mutex);
    WindowHandle w = target->window;
    if (!alive(s, w)) return false;
    const PictureResource& p = *source->selected->resource;
    log(s, "bitBlt " + std::to_string(w->number) + " " + std::to_string(x) + " " +
               std::to_string(y) + " " + std::to_string(width) + " " + std::to_string(height) +
               " <- " + std::to_string(p.id) + " " + std::to_string(sourceX) + " " +
               std::to_string(sourceY));
    // Clipped to the picture and to the window, as the system clips.
    for (int row = 0; row < height; ++row) {
        const int sy = sourceY + row, ty = y + row;
        if (sy < 0 || sy >= p.height || ty < 0 || ty >= w->info.height) continue;
        for (int column = 0; column < width; ++column) {
            const int sx = sourceX + column, tx = x + column;
            if (sx < 0 || sx >= p.width || tx < 0 || tx >= w->info.width) continue;
            w->pixels[static_cast<std::size_t>(ty) * w->info.width + tx] =
                p.pixels[static_cast<std::size_t>(sy) * p.width + sx];
        }
    }
    return true;
}

void deleteDC(DrawingContext context) {
    delete context;
}

namespace memory {

WindowHandle createHostWindow(int width, int height) {
    State& s = state();
    Lock lock(s.mutex);
    WindowHandle w = make(s, "host", "host", kStyleVisible, 0, 0, width, height, nullptr, nullptr);
    return w;
}

WindowInfo info(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    for (const auto& w : s.windows)
        if (w.get() == window) return w->info;
    return {};
}

std::vector<WindowHandle> windows() {
    State& s = state();
    Lock lock(s.mutex);
    std::vector<WindowHandle> all;
    for (const auto& w : s.windows)
        all.push_back(w.get());
    return all;
}

std::vector<WindowHandle> windowsTitled(const std::string& title) {
    State& s = state();
    Lock lock(s.mutex);
    std::vector<WindowHandle> found;
    for (const auto& w : s.windows)
        if (w->info.alive && w->info.title == title) found.push_back(w.get());
    return found;
}

std::vector<std::uint32_t> surface(WindowHandle window) {
    State& s = state();
    Lock lock(s.mutex);
    for (const auto& w : s.windows)
        if (w.get() == window) return w->pixels;
    return {};
}

std::uint32_t pixel(WindowHandle window, int x, int y) {
    State& s = state();
    Lock lock(s.mutex);
    for (const auto& w : s.windows)
        if (w.get() == window && x >= 0 && y >= 0 && x < w->info.width && y < w->info.height)
            return w->pixels[static_cast<std::size_t>(y) * w->info.width + x];
    return 0;
}

void fill(WindowHandle window, std::uint32_t colour) {
    State& s = state();
    Lock lock(s.mutex);
    for (const auto& w : s.windows)
        if (w.get() == window) std::fill(w->pixels.begin(), w->pixels.end(), colour);
}

void onQueueEmpty(std::function<void()> hook) {
    State& s = state();
    Lock lock(s.mutex);
    s.queueEmpty = std::move(hook);
}

void postMessage(WindowHandle window, std::uint32_t message, MessageParam wParam,
                 MessageData lParam) {
    State& s = state();
    Lock lock(s.mutex);
    s.queue.push_back({window, message, wParam, lParam});
}

void postMouse(WindowHandle window, std::uint32_t message, int x, int y) {
    postMessage(window, message, 0, pointData(x, y));
}

int dispatchAll() {
    int count = 0;
    Message m;
    while (peekMessage(&m, nullptr, 0, 0)) {
        translateMessage(&m);
        dispatchMessage(&m);
        ++count;
    }
    return count;
}

std::size_t pendingMessages() {
    State& s = state();
    Lock lock(s.mutex);
    return s.queue.size();
}

bool isClassRegistered(const std::string& name) {
    State& s = state();
    Lock lock(s.mutex);
    return s.classes.count(name) > 0;
}

WindowHandle capture() {
    State& s = state();
    Lock lock(s.mutex);
    return s.captured;
}

std::vector<std::string> calls() {
    State& s = state();
    Lock lock(s.mutex);
    return s.calls;
}

void clearCalls() {
    State& s = state();
    Lock lock(s.mutex);
    s.calls.clear();
}

int countCalls(const std::string& prefix) {
    State& s = state();
    Lock lock(s.mutex);
    return static_cast<int>(
        std::count_if(s.calls.begin(), s.calls.end(), [&](const std::string& c) {
            return c.compare(0, prefix.size(), prefix) == 0;
        }));
}

void reset() {
    State& s = state();
    Lock lock(s.mutex);
    s.windows.clear();
    s.classes.clear();
    s.queue.clear();
    s.calls.clear();
    s.captured = nullptr;
    s.queueEmpty = nullptr;
}

} // namespace memory

} // namespace fxwin
