// Real mouse input for the checks of fxhost-win, as the mouse driver delivers it
// (SendInput), so that the windows under test see what a user's hand would do.
#pragma once

#include <windows.h>

#include <cstdint>

namespace fxcheck {

// Moves the pointer to a point of a window's client area, on the screen.
inline void movePointer(HWND window, POINT point) {
    ClientToScreen(window, &point);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    // Normalised to 0..65536 over the screen, rounded up so that scaling back lands on
    // the pixel.
    input.mi.dx = LONG((std::int64_t(point.x) * 65536 + width - 1) / width);
    input.mi.dy = LONG((std::int64_t(point.y) * 65536 + height - 1) / height);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
}

inline void pressButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
}

} // namespace fxcheck
