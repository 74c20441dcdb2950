// The controls of the squeezer's editor. Each draws through a BitmapStrip of its own;
// every change a control makes goes through setParameterAutomated, so the host records
// it and the engine posts an editor update.
//
// Threads: the window thread calls everything, except VuMeter::update, which the audio
// thread also calls through the editor's refreshLevels.
#pragma once

#include "bitmap_strip.h"
#include "compressor.h"

namespace squeezer {

struct ControlRect {
    int x, y, width, height;
};

// The LED pair beside the power switch: frame 0 On lit, 1 both dark, 2 Off lit.
class Led {
public:
    Led(int resourceId, ControlRect rect);
    virtual ~Led() = default;
    virtual void drawValue(float value) { strip.drawValue(value); }
    virtual void updateValue(float value) { strip.updateValue(value); }
    virtual void setWindow(fxwin::WindowHandle window) { strip.setWindow(window); }

    BitmapStrip strip;
};

// A knob that follows the pointer's angle around its centre while a button is held.
class Knob {
public:
    Knob(Compressor* effect, int resourceId, int paramIndex, ControlRect rect);
    virtual ~Knob() = default;
    virtual void draw();
    virtual void update();
    virtual void mouse(int x, int y);
    virtual void setWindow(fxwin::WindowHandle window) { strip.setWindow(window); }

    // The value for a pointer at (px, py) relative to the knob's centre (cx, cy): 0.0 at
    // the lower left, 0.5 straight up, 1.0 at the lower right.
    static float valueAt(double px, double py, double cx, double cy);

    Compressor* effect;
    BitmapStrip strip;
    int paramIndex;
    ControlRect rect;
};

// A two-state switch. Mode 0 toggles at the press; mode 1 (the power switch) toggles at
// the press, shows its pressed frame with both LEDs dark while the button is held, and
// the new state at the release.
class ToggleSwitch {
public:
    ToggleSwitch(Compressor* effect, int resourceId, int paramIndex, ControlRect rect, int mode,
                 Led* led);
    virtual ~ToggleSwitch() = default;
    virtual void draw();
    virtual void update();
    virtual void mouse(int x, int y);
    virtual void setWindow(fxwin::WindowHandle window) { strip.setWindow(window); }

    Compressor* effect;
    BitmapStrip strip;
    int paramIndex;
    ControlRect rect;
    int mode;
    Led* led;
};

// The gain-reduction meter, and the "Set VU-meter latency" window a press on it opens.
class VuMeter {
public:
    VuMeter(Compressor* effect, int resourceId, ControlRect rect);
    virtual ~VuMeter();
    virtual void mouse(int x, int y);
    virtual void draw();
    virtual void update();
    virtual void setWindow(fxwin::WindowHandle window);

    static constexpr char kLatencyTitle[] = "Set VU-meter latency";

    Compressor* effect;
    std::atomic<fxwin::WindowHandle> window;
    fxwin::WindowHandle latencyWindow;
    BitmapStrip strip;
    ControlRect rect;
};

// The about picture: a press on the logo opens a window showing it; the next press in
// the editor closes it again.
class AboutBox {
public:
    AboutBox(int resourceId, ControlRect hotRect, ControlRect pictureRect, const char* title);
    virtual ~AboutBox();
    virtual void draw();
    virtual void mouse(int x, int y);
    virtual void setWindow(fxwin::WindowHandle window);

    // The picture's window, for painting it.
    fxwin::WindowHandle pictureWindow() const { return aboutWindow; }

    static constexpr int kTitleSize = 64;

    fxwin::WindowHandle aboutWindow;
    fxwin::WindowHandle window;
    BitmapStrip strip;
    ControlRect hotRect;
    ControlRect pictureRect;
    char title[kTitleSize];
};

} // namespace squeezer
