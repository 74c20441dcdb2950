// The in-memory window system, for tests: windows are objects with a pixel surface
// (0x00RRGGBB), drawing really copies picture pixels into them, messages wait in one
// queue that tests post into, and every call that changes something is logged.
//
// Link window_memory.cpp instead of a real backend. All of it runs on the test's thread;
// drawing is also safe from one other thread.
#pragma once

#include "window_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fxwin::memory {

// The colour windows start with (the class background, the system's button face).
constexpr std::uint32_t kButtonFace = 0xF0F0F0;

struct WindowInfo {
    std::string className;
    std::string title;
    std::uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    WindowHandle parent = nullptr;
    bool alive = false;
};

// A top-level window of the host's, to hand to an editor as its parent.
WindowHandle createHostWindow(int width, int height);

WindowInfo info(WindowHandle window);
// Every window made since the last reset, oldest first, destroyed ones included.
std::vector<WindowHandle> windows();
// The living windows with that title.
std::vector<WindowHandle> windowsTitled(const std::string& title);
// The surface of a window, row by row (empty for an unknown window).
std::vector<std::uint32_t> surface(WindowHandle window);
std::uint32_t pixel(WindowHandle window, int x, int y);
void fill(WindowHandle window, std::uint32_t colour);

void postMessage(WindowHandle window, std::uint32_t message, MessageParam wParam = 0,
                 MessageData lParam = 0);
void postMouse(WindowHandle window, std::uint32_t message, int x, int y);
// Called (on the polling thread) whenever a peek finds nothing: stands for time passing
// while a drag loop polls, e.g. to look at the window and then post the button release.
// An empty function removes it.
void onQueueEmpty(std::function<void()> hook);

// Dispatches queued messages until the queue is empty; returns how many.
int dispatchAll();
std::size_t pendingMessages();

bool isClassRegistered(const std::string& name);
WindowHandle capture();

// The log of calls, e.g. "registerClass GenericWindowClass", "bitBlt 3 64 20 44 44 <- 204
// 1080 0" (window number, target rectangle, picture, source position).
std::vector<std::string> calls();
void clearCalls();
// The number of logged calls that start with `prefix`.
int countCalls(const std::string& prefix);

// Forgets every window, class, message and call.
void reset();

} // namespace fxwin::memory
