// A picture of equal frames side by side, one pixel apart, and the place in a window
// where one frame is shown. Every control of the editor draws through one: a value of
// 0..1 picks a frame, and `updateValue` draws only when that frame changed.
#pragma once

#include "window_system.h"

#include <atomic>

namespace squeezer {

class BitmapStrip {
public:
    // Window thread. Loads picture `resourceId` from the module; a picture that does not
    // load leaves the strip with no frames, drawing nothing.
    BitmapStrip(int resourceId, int x, int y, int width, int height);
    ~BitmapStrip();

    BitmapStrip(const BitmapStrip&) = delete;
    BitmapStrip& operator=(const BitmapStrip&) = delete;

    // Either thread: the window thread paints and updates, the audio thread refreshes
    // the meter. Drawing without a picture or a window does nothing. False when the frame
    // was not drawn.
    bool drawFrame(int sourceX);
    void drawValue(float value);
    void updateValue(float value);

    // Window thread: a press at (px, py), both edges inclusive, that went to this strip's
    // window.
    bool hitTest(int px, int py) const;
    void setWindow(fxwin::WindowHandle window);

    // The frame a value selects: (frames - 1) x value truncated, held inside the strip
    // (values above 1.0 show the last frame, NaN and negative values the first).
    int frameFor(float value) const;

    int frames() const { return frameCount; }
    bool hasPicture() const { return bitmap != nullptr; }
    int left() const { return x; }
    int top() const { return y; }
    int frameWidth() const { return width; }
    int frameHeight() const { return height; }

private:
    static constexpr int kNoFrame = -1;

    // Written on the window thread, read by the audio thread's meter refresh.
    std::atomic<fxwin::WindowHandle> window;
    int x;
    int y;
    int width;
    int height;
    int frameCount;
    std::atomic<int> lastFrame;
    fxwin::PictureHandle bitmap;
};

} // namespace squeezer
