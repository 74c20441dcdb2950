// The squeezer's editor: a 304 x 99 child window in the host's window, showing the
// background picture, the power switch with its LED pair, five knobs and the
// gain-reduction meter, all drawn by copying frames out of picture strips.
//
// Threads: the host's window thread calls everything (through the editor opcodes and the
// window procedure), except refreshLevels, which processing calls on the audio thread.
#pragma once

#include "aeffeditor.h"
#include "controls.h"

#include <memory>

namespace squeezer {

// The window class of the editor and of its extra windows.
inline constexpr char kEditorClassName[] = "GenericWindowClass";

// Picture resources of the module.
enum PictureId {
    kPowerPicture = 101,
    kLedPicture = 102,
    kAboutPicture = 103,
    kBackgroundPicture = 203,
    kKnobPicture = 204,
    kMeterPicture = 208,
};

class CompressorEditor : public AEffEditor {
public:
    static constexpr int kWidth = 304;
    static constexpr int kHeight = 99;
    static constexpr int kKnobCount = 5;
    static constexpr char kAboutTitle[] = "About Squashbox version 2.0";

    // Attaches itself to the effect once every control is made; sets `oome` otherwise.
    explicit CompressorEditor(Compressor* effect);
    ~CompressorEditor() override;

    std::int32_t getRect(ERect** rect) override;
    std::int32_t open(void* parentWindow) override;
    void close() override;
    // The base's deferred update, then the messages waiting for the editor's windows:
    // hosts that hand over a window of another connection never see them.
    void idle() override;
    void draw(ERect* rect) override;
    std::int32_t mouse(std::int32_t x, std::int32_t y) override;
    std::int32_t key(std::int32_t keyCode) override;
    void refreshLevels() override;
    void update() override;

    // The window procedure of the editor's window class.
    static fxwin::MessageData editorWindowProc(fxwin::WindowHandle window, std::uint32_t message,
                                               fxwin::MessageParam wParam,
                                               fxwin::MessageData lParam);

private:
    void createEditorWindow();
    void setControlWindows(fxwin::WindowHandle target);

    std::unique_ptr<BitmapStrip> background;
    std::unique_ptr<AboutBox> about;
    std::unique_ptr<Led> led;
    std::unique_ptr<ToggleSwitch> powerSwitch;
    std::unique_ptr<Knob> knobs[kKnobCount];
    std::unique_ptr<VuMeter> meter;
    ControlRect bounds;
    fxwin::WindowHandle window;
    // This editor counts among the open ones (between open and close).
    bool isOpen;
};

} // namespace squeezer
