// What all squeezer editors of one loaded module share: the mouse as the editor windows
// last saw it, and the pump that the controls' drag loops poll.
#pragma once

#include "window_system.h"

namespace squeezer {

enum ButtonState { kNoButton = 0, kLeftButton = 1, kRightButton = 2 };

struct EditorMouse {
    int x = 0, y = 0;                           // last position, in the window's pixels
    fxwin::WindowHandle buttonWindow = nullptr; // the window of the last button press
    int buttonState = kNoButton;
    fxwin::WindowHandle lastEditorWindow = nullptr; // owner of the editor's extra windows
};

// Window thread.
EditorMouse& editorMouse();

// Handles at most one pending mouse message of this thread's windows and returns the
// button state afterwards.
int pumpMouseMessages();

// One pass of a drag loop may run: the button that started it is still held once the
// pending mouse messages have been handled. Polls, never waits.
bool dragContinues();

} // namespace squeezer
