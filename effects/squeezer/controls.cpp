#include "controls.h"

#include "compressor_editor.h"
#include "editor_state.h"
#include "module_entry.h"

#include <cmath>
#include <cstring>

namespace squeezer {

namespace {

// Where the editor's extra windows open on the screen.
constexpr int kExtraWindowX = 100;
constexpr int kExtraWindowY = 100;
constexpr int kLatencyWindowSize = 200;

bool inside(const ControlRect& r, int px, int py) {
    return r.x <= px && px <= r.x + r.width && r.y <= py && py <= r.y + r.height;
}

} // namespace

Led::Led(int resourceId, ControlRect rect)
    : strip(resourceId, rect.x, rect.y, rect.width, rect.height) {}

Knob::Knob(Compressor* effect, int resourceId, int paramIndex, ControlRect rect)
    : effect(effect), strip(resourceId, rect.x, rect.y, rect.width, rect.height),
      paramIndex(paramIndex), rect(rect) {}

void Knob::draw() {
    strip.drawValue(effect->getParameter(paramIndex));
}

void Knob::update() {
    strip.updateValue(effect->getParameter(paramIndex));
}

float Knob::valueAt(double px, double py, double cx, double cy) {
    const double pi = 4.0 * std::atan2(1.0, 1.0);
    // 0 (or 2 pi) straight above the centre, pi straight below, pi/2 to its left.
    const double phi = std::atan2(px - cx, py - cy) + pi;
    const double sweep = 3.0 * pi / 4.0;
    const double raw = phi <= pi ? 1.0 - phi / sweep : 2.0 - (phi - 5.0 * pi / 4.0) / sweep;
    float value = static_cast<float>(0.5 * raw);
    if (value < 0.0f) value = 0.0f;
    if (value > 1.0f) value = 1.0f;
    return value;
}

void Knob::mouse(int x, int y) {
    if (!strip.hitTest(x, y)) return;
    const double cx = rect.x + rect.width * 0.5;
    const double cy = rect.y + rect.height * 0.5;
    // The first pass takes the press position before any message is pumped, so that a
    // click sets the value even when its release is already waiting in the queue.
    do {
        const EditorMouse& m = editorMouse();
        const float value = valueAt(m.x, m.y, cx, cy);
        effect->setParameterAutomated(paramIndex, value);
        strip.updateValue(value);
    } while (dragContinues());
}

ToggleSwitch::ToggleSwitch(Compressor* effect, int resourceId, int paramIndex, ControlRect rect,
                           int mode, Led* led)
    : effect(effect), strip(resourceId, rect.x, rect.y, rect.width, rect.height),
      paramIndex(paramIndex), rect(rect), mode(mode), led(led) {}

void ToggleSwitch::draw() {
    const float value = effect->getParameter(paramIndex);
    strip.drawValue(value);
    if (led) led->drawValue(value);
}

void ToggleSwitch::update() {
    const float value = effect->getParameter(paramIndex);
    strip.updateValue(value);
    if (led) led->updateValue(value);
}

void ToggleSwitch::mouse(int x, int y) {
    if (!strip.hitTest(x, y)) return;
    const float next = effect->getParameter(paramIndex) == 0.0f ? 1.0f : 0.0f;
    constexpr float kPressed = 0.5f; // the middle frame: pressed button, both LEDs dark
    switch (mode) {
    case 0:
        effect->setParameterAutomated(paramIndex, next);
        strip.updateValue(next);
        if (led) led->updateValue(next);
        break;
    case 1:
        effect->setParameterAutomated(paramIndex, next);
        while (dragContinues()) {
            strip.drawValue(kPressed);
            if (led) led->updateValue(kPressed);
        }
        strip.updateValue(next);
        if (led) led->updateValue(next);
        break;
    default:
        break;
    }
}

VuMeter::VuMeter(Compressor* effect, int resourceId, ControlRect rect)
    : effect(effect), window(nullptr), latencyWindow(nullptr),
      strip(resourceId, rect.x, rect.y, rect.width, rect.height), rect(rect) {}

VuMeter::~VuMeter() {
    // Not left on the screen after the editor is gone.
    if (fxwin::isWindow(latencyWindow)) fxwin::destroyWindow(latencyWindow);
}

void VuMeter::mouse(int x, int y) {
    if (strip.hitTest(x, y) && !fxwin::isWindow(latencyWindow)) {
        latencyWindow = fxwin::createWindow(
            kEditorClassName, kLatencyTitle, fxwin::kStyleVisible, kExtraWindowX, kExtraWindowY,
            kLatencyWindowSize, kLatencyWindowSize, editorMouse().lastEditorWindow, hInstance);
    } else if (fxwin::isWindowEnabled(latencyWindow)) {
        fxwin::destroyWindow(latencyWindow);
    }
}

void VuMeter::draw() {
    const float vu = effect->getVu();
    if (window.load(std::memory_order_relaxed)) strip.drawValue(vu);
}

void VuMeter::update() {
    const float vu = effect->getVu();
    if (window.load(std::memory_order_relaxed)) strip.updateValue(vu);
}

void VuMeter::setWindow(fxwin::WindowHandle newWindow) {
    window.store(newWindow, std::memory_order_relaxed);
    strip.setWindow(newWindow);
}

AboutBox::AboutBox(int resourceId, ControlRect hotRect, ControlRect pictureRect,
                   const char* titleText)
    : aboutWindow(nullptr), window(nullptr),
      strip(resourceId, pictureRect.x, pictureRect.y, pictureRect.width, pictureRect.height),
      hotRect(hotRect), pictureRect(pictureRect), title() {
    std::strncpy(title, titleText, kTitleSize - 1);
}

AboutBox::~AboutBox() {
    if (fxwin::isWindow(aboutWindow)) fxwin::destroyWindow(aboutWindow);
}

void AboutBox::draw() {
    if (fxwin::isWindow(aboutWindow) && fxwin::isWindowEnabled(aboutWindow)) strip.drawValue(0.0f);
}

void AboutBox::mouse(int x, int y) {
    const bool onLogo = inside(hotRect, x, y) && editorMouse().buttonWindow == window && window;
    if (onLogo && !fxwin::isWindow(aboutWindow)) {
        aboutWindow = fxwin::createWindow(
            kEditorClassName, title, fxwin::kStyleVisible, kExtraWindowX, kExtraWindowY,
            pictureRect.width, pictureRect.height, editorMouse().lastEditorWindow, hInstance);
        // The editor paints the picture when the window asks for it.
        if (aboutWindow) fxwin::setUserData(aboutWindow, fxwin::getUserData(window));
        strip.setWindow(aboutWindow);
    } else if (fxwin::isWindowEnabled(aboutWindow)) {
        fxwin::destroyWindow(aboutWindow);
        aboutWindow = nullptr;
        strip.setWindow(nullptr);
    }
}

void AboutBox::setWindow(fxwin::WindowHandle newWindow) {
    window = newWindow;
    if (!newWindow) {
        // The editor closed: its extra windows went with it.
        if (fxwin::isWindow(aboutWindow)) fxwin::destroyWindow(aboutWindow);
        aboutWindow = nullptr;
        strip.setWindow(nullptr);
    }
}

} // namespace squeezer
