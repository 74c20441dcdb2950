// The window system as the squeezer's editor needs it: a window class with a window
// procedure, child and top-level windows with user data, the paint bracket, mouse
// capture, a pump for pending messages, and copying rectangles of picture resources into
// windows. Each operation stands for one call of the Windows API (named beside it), so
// that the Windows backend is a thin forwarding layer; the other backends reproduce
// those calls' effects.
//
// Backends, chosen at link time:
//   window_memory.cpp  in-memory windows with pixel surfaces, for tests (window_memory.h)
//   window_x11.cpp     Xlib, for hosts that hand over an X11 window id as the parent
//
// Threads: everything is called on the thread that owns the windows (the host's window
// thread), except getDC/releaseDC/createCompatibleDC/selectPicture/bitBlt/deleteDC, which
// may also be called from one other thread (the audio thread redrawing a meter).
#pragma once

#include <cstdint>

namespace fxwin {

// Opaque handles; null means none.
using WindowHandle = struct WindowObject*;
using PictureHandle = struct PictureObject*;
using DrawingContext = struct DrawingContextObject*;

using MessageParam = std::uintptr_t; // the first message argument (WPARAM)
using MessageData = std::intptr_t;   // the second message argument and results (LPARAM)

using WindowProcedure = MessageData (*)(WindowHandle window, std::uint32_t message,
                                        MessageParam wParam, MessageData lParam);

// Message numbers, as the Windows API numbers them.
enum : std::uint32_t {
    kMessagePaint = 15,
    kMessageKeyDown = 256,
    kMessageMouseMove = 512,
    kMessageLeftButtonDown = 513,
    kMessageLeftButtonUp = 514,
    kMessageRightButtonDown = 516,
    kMessageRightButtonUp = 517,
    kFirstMouseMessage = 512,
    kLastMouseMessage = 521,
};

// Window styles, as the Windows API numbers them. A window without kStyleChild is a
// top-level window with a caption, owned by the window given as its parent.
enum : std::uint32_t {
    kStyleChild = 0x40000000,
    kStyleVisible = 0x10000000,
};

// Mouse positions travel in the second argument: x in the low 16 bits, y in the high 16,
// both signed.
constexpr MessageData pointData(int x, int y) {
    return static_cast<MessageData>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}
constexpr int pointX(MessageData data) {
    return static_cast<std::int16_t>(data & 0xFFFF);
}
constexpr int pointY(MessageData data) {
    return static_cast<std::int16_t>((data >> 16) & 0xFFFF);
}

struct Message {
    WindowHandle window;
    std::uint32_t message;
    MessageParam wParam;
    MessageData lParam;
};

// The state of one paint bracket (PAINTSTRUCT).
struct PaintInfo {
    DrawingContext context;
    int left, top, right, bottom; // the area to repaint
};

// A window class (WNDCLASSA): class style 0, no icon, no cursor, no menu, the system's
// button-face colour as background.
struct WindowClass {
    const char* name;
    WindowProcedure procedure;
    void* instance;
};

// RegisterClassA, UnregisterClassA.
bool registerClass(const WindowClass& windowClass);
bool unregisterClass(const char* name, void* instance);

// CreateWindowExA with extended style 0. Returns null when the window cannot be made, e.g.
// a child window without a parent.
WindowHandle createWindow(const char* className, const char* title, std::uint32_t style, int x,
                          int y, int width, int height, WindowHandle parent, void* instance);
// DestroyWindow: also destroys the window's children and the windows it owns.
bool destroyWindow(WindowHandle window);
// IsWindow, IsWindowEnabled.
bool isWindow(WindowHandle window);
bool isWindowEnabled(WindowHandle window);

// SetWindowLongA, GetWindowLongA with GWL_USERDATA. Setting returns the previous value.
std::intptr_t setUserData(WindowHandle window, std::intptr_t data);
std::intptr_t getUserData(WindowHandle window);

// DefWindowProcA.
MessageData defaultProcedure(WindowHandle window, std::uint32_t message, MessageParam wParam,
                             MessageData lParam);

// BeginPaint, EndPaint.
DrawingContext beginPaint(WindowHandle window, PaintInfo* paint);
void endPaint(WindowHandle window, const PaintInfo* paint);

// SetCapture, ReleaseCapture.
void setCapture(WindowHandle window);
void releaseCapture();

// PeekMessageA with PM_REMOVE: takes the oldest pending message of this thread's windows
// (of `window` only, unless it is null) whose number lies in first..last (any number when
// both are 0) off the queue. False, without waiting, when there is none.
bool peekMessage(Message* message, WindowHandle window, std::uint32_t first, std::uint32_t last);
// TranslateMessage, DispatchMessageA (calls the window's procedure, returns its result).
void translateMessage(const Message* message);
MessageData dispatchMessage(const Message* message);

// LoadBitmapA, GetObjectA (the width in pixels; 0 for none), DeleteObject.
PictureHandle loadPicture(void* instance, int resourceId);
int pictureWidth(PictureHandle picture);
void deletePicture(PictureHandle picture);

// GetDC, ReleaseDC, CreateCompatibleDC, SelectObject, BitBlt with SRCCOPY, DeleteDC.
DrawingContext getDC(WindowHandle window);
void releaseDC(WindowHandle window, DrawingContext context);
DrawingContext createCompatibleDC(DrawingContext context);
// Returns the picture selected before (null for none; null also when it fails).
PictureHandle selectPicture(DrawingContext context, PictureHandle picture);
bool bitBlt(DrawingContext target, int x, int y, int width, int height, DrawingContext source,
            int sourceX, int sourceY);
void deleteDC(DrawingContext context);

// The pictures built into a module, by resource number: 0x00RRGGBB pixels, row by row.
// Each module that loads pictures defines moduleResources() (see the squeezer's artwork).
struct PictureResource {
    int id;
    int width;
    int height;
    const std::uint32_t* pixels;
};
struct ResourceTable {
    const PictureResource* pictures;
    int count;
};
const ResourceTable& moduleResources();
const PictureResource* findPictureResource(int resourceId);

} // namespace fxwin
