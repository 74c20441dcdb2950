#include "bitmap_strip.h"

#include "editor_state.h"
#include "module_entry.h"

namespace squeezer {

BitmapStrip::BitmapStrip(int resourceId, int x, int y, int width, int height)
    : window(nullptr), x(x), y(y), width(width), height(height), frameCount(0), lastFrame(kNoFrame),
      bitmap(fxwin::loadPicture(hInstance, resourceId)) {
    if (bitmap) frameCount = (fxwin::pictureWidth(bitmap) + 1) / (width + 1);
}

BitmapStrip::~BitmapStrip() {
    if (bitmap) fxwin::deletePicture(bitmap);
}

bool BitmapStrip::drawFrame(int sourceX) {
    const fxwin::WindowHandle target = window.load(std::memory_order_relaxed);
    if (!bitmap || !target) return false;
    const fxwin::DrawingContext context = fxwin::getDC(target);
    if (!context) return false;
    bool drawn = false;
    const fxwin::DrawingContext memory = fxwin::createCompatibleDC(context);
    if (memory) {
        const fxwin::PictureHandle previous = fxwin::selectPicture(memory, bitmap);
        drawn = fxwin::bitBlt(context, x, y, width, height, memory, sourceX, 0);
        fxwin::selectPicture(memory, previous);
        fxwin::deleteDC(memory);
    }
    fxwin::releaseDC(target, context);
    return drawn;
}

int BitmapStrip::frameFor(float value) const {
    const int last = frameCount - 1;
    if (last <= 0 || !(value > 0.0f)) return 0;
    const double frame = double(last) * double(value);
    return frame < double(last) ? static_cast<int>(frame) : last;
}

void BitmapStrip::drawValue(float value) {
    drawFrame(frameFor(value) * (width + 1));
}

void BitmapStrip::updateValue(float value) {
    const int frame = frameFor(value);
    if (frame == lastFrame.load(std::memory_order_relaxed)) return;
    lastFrame.store(frame, std::memory_order_relaxed);
    // A frame that could not be drawn (the window busy on another thread, say) is tried
    // again by the next update instead of being taken as shown.
    if (!drawFrame(frame * (width + 1))) lastFrame.store(kNoFrame, std::memory_order_relaxed);
}

bool BitmapStrip::hitTest(int px, int py) const {
    return x <= px && px <= x + width && y <= py && py <= y + height &&
           editorMouse().buttonWindow == window.load(std::memory_order_relaxed);
}

void BitmapStrip::setWindow(fxwin::WindowHandle newWindow) {
    window.store(newWindow, std::memory_order_relaxed);
}

} // namespace squeezer
