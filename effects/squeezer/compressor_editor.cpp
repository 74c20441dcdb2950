#include "compressor_editor.h"

#include "editor_state.h"
#include "module_entry.h"

#include <new>

namespace squeezer {

namespace {

// Module-wide: how many editors are open (the window class is registered while there
// is one), and the editor that the window being created belongs to.
int openEditorCount = 0;
CompressorEditor* pendingEditor = nullptr;

constexpr ControlRect kBackgroundRect{0, 0, CompressorEditor::kWidth, CompressorEditor::kHeight};
constexpr ControlRect kSwitchRect{27, 20, 29, 29};
constexpr ControlRect kLedRect{20, 49, 7, 15};
constexpr ControlRect kMeterRect{20, 74, 115, 9};
constexpr ControlRect kLogoRect{204, 72, 94, 21};
constexpr ControlRect kAboutPictureRect{0, 0, 300, 200};
constexpr int kKnobTop = 20;
constexpr int kKnobSize = 44;
constexpr int kFirstKnobLeft = 64;
constexpr int kPowerSwitchMode = 1;

template <class T, class... Args> std::unique_ptr<T> make(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(static_cast<Args&&>(args)...));
}

} // namespace

EditorMouse& editorMouse() {
    static EditorMouse mouse;
    return mouse;
}

int pumpMouseMessages() {
    fxwin::Message message;
    if (fxwin::peekMessage(&message, nullptr, fxwin::kFirstMouseMessage,
                           fxwin::kLastMouseMessage)) {
        fxwin::translateMessage(&message);
        fxwin::dispatchMessage(&message);
    }
    return editorMouse().buttonState;
}

bool dragContinues() {
    if (pumpMouseMessages() == kLeftButton) return true;
    return pumpMouseMessages() == kRightButton;
}

CompressorEditor::CompressorEditor(Compressor* effect)
    : AEffEditor(effect), bounds(kBackgroundRect), window(nullptr), isOpen(false) {
    background = make<BitmapStrip>(int(kBackgroundPicture), kBackgroundRect.x, kBackgroundRect.y,
                                   kBackgroundRect.width, kBackgroundRect.height);
    about = make<AboutBox>(int(kAboutPicture), kLogoRect, kAboutPictureRect, kAboutTitle);
    led = make<Led>(int(kLedPicture), kLedRect);
    powerSwitch = make<ToggleSwitch>(effect, int(kPowerPicture), int(Compressor::kPower),
                                     kSwitchRect, kPowerSwitchMode, led.get());
    for (int k = 0; k < kKnobCount; ++k)
        knobs[k] =
            make<Knob>(effect, int(kKnobPicture), Compressor::kRatio + k,
                       ControlRect{kFirstKnobLeft + k * kKnobSize, kKnobTop, kKnobSize, kKnobSize});
    meter = make<VuMeter>(effect, int(kMeterPicture), kMeterRect);

    bool complete = background && about && led && powerSwitch && meter;
    for (const auto& knob : knobs)
        complete = complete && knob;
    if (complete)
        effect->setEditor(this);
    else
        oome = true;
}

CompressorEditor::~CompressorEditor() {
    // A host may close the effect with the editor still open: its window must not keep
    // pointing at an editor that is gone.
    if (isOpen) close();
}

std::int32_t CompressorEditor::getRect(ERect** rect) {
    // One rectangle for every editor of the module, filled on the first request.
    static ERect editorRect{static_cast<std::int16_t>(kBackgroundRect.y),
                            static_cast<std::int16_t>(kBackgroundRect.x),
                            static_cast<std::int16_t>(kBackgroundRect.y + kBackgroundRect.height),
                            static_cast<std::int16_t>(kBackgroundRect.x + kBackgroundRect.width)};
    *rect = &editorRect;
    return 1;
}

std::int32_t CompressorEditor::open(void* parentWindow) {
    // A second open without a close starts over, so that the count of open editors and
    // the windows stay in step.
    if (isOpen) close();
    hostWindow = parentWindow;
    isOpen = true;
    if (++openEditorCount == 1)
        fxwin::registerClass({kEditorClassName, &CompressorEditor::editorWindowProc, hInstance});
    createEditorWindow();
    setControlWindows(window);
    return 1;
}

void CompressorEditor::createEditorWindow() {
    pendingEditor = this;
    window = fxwin::createWindow(kEditorClassName, "", fxwin::kStyleChild | fxwin::kStyleVisible,
                                 bounds.x, bounds.y, bounds.width, bounds.height,
                                 static_cast<fxwin::WindowHandle>(hostWindow), hInstance);
    if (window) {
        fxwin::setUserData(window, reinterpret_cast<std::intptr_t>(pendingEditor));
        editorMouse().lastEditorWindow = window;
    }
    pendingEditor = nullptr;
}

void CompressorEditor::setControlWindows(fxwin::WindowHandle target) {
    background->setWindow(target);
    about->setWindow(target);
    led->setWindow(target);
    powerSwitch->setWindow(target);
    for (auto& knob : knobs)
        knob->setWindow(target);
    meter->setWindow(target);
}

void CompressorEditor::close() {
    if (!isOpen) return; // a close without an open changes no count
    isOpen = false;
    // Nothing draws from here on, also not a meter refresh arriving from processing.
    setControlWindows(nullptr);
    const fxwin::WindowHandle closing = window;
    window = nullptr;
    if (closing) {
        // The window no longer leads to this editor, and goes (with the extra windows it
        // owns) unless the host has taken it with its own already.
        fxwin::setUserData(closing, 0);
        if (fxwin::isWindow(closing)) fxwin::destroyWindow(closing);
        if (editorMouse().lastEditorWindow == closing) editorMouse().lastEditorWindow = nullptr;
        if (editorMouse().buttonWindow == closing) editorMouse().buttonWindow = nullptr;
    }
    if (--openEditorCount == 0) fxwin::unregisterClass(kEditorClassName, hInstance);
}

void CompressorEditor::idle() {
    AEffEditor::idle();
    if (!window) return;
    fxwin::Message message;
    while (window && fxwin::peekMessage(&message, nullptr, 0, 0)) {
        fxwin::translateMessage(&message);
        fxwin::dispatchMessage(&message);
    }
}

void CompressorEditor::draw(ERect*) {
    background->drawValue(0.0f);
    powerSwitch->draw();
    for (auto& knob : knobs)
        knob->draw();
    meter->draw();
    about->draw();
}

std::int32_t CompressorEditor::mouse(std::int32_t x, std::int32_t y) {
    powerSwitch->mouse(x, y);
    for (auto& knob : knobs)
        knob->mouse(x, y);
    meter->mouse(x, y);
    about->mouse(x, y);
    return 1;
}

std::int32_t CompressorEditor::key(std::int32_t) {
    return 1;
}

void CompressorEditor::refreshLevels() {
    meter->update();
}

void CompressorEditor::update() {
    powerSwitch->update();
    for (auto& knob : knobs)
        knob->update();
    meter->update();
}

fxwin::MessageData CompressorEditor::editorWindowProc(fxwin::WindowHandle window,
                                                      std::uint32_t message,
                                                      fxwin::MessageParam wParam,
                                                      fxwin::MessageData lParam) {
    auto* editor = reinterpret_cast<CompressorEditor*>(fxwin::getUserData(window));
    if (!editor) return fxwin::defaultProcedure(window, message, wParam, lParam);
    EditorMouse& m = editorMouse();
    switch (message) {
    case fxwin::kMessagePaint: {
        fxwin::PaintInfo paint;
        fxwin::beginPaint(window, &paint);
        ERect* rect = nullptr;
        editor->getRect(&rect);
        editor->draw(rect);
        fxwin::endPaint(window, &paint);
        return 0;
    }
    case fxwin::kMessageKeyDown:
        editor->key(static_cast<std::int32_t>(wParam));
        return 0;
    case fxwin::kMessageMouseMove:
        m.x = fxwin::pointX(lParam);
        m.y = fxwin::pointY(lParam);
        return 0;
    case fxwin::kMessageLeftButtonDown:
    case fxwin::kMessageRightButtonDown:
        m.buttonWindow = window;
        m.x = fxwin::pointX(lParam);
        m.y = fxwin::pointY(lParam);
        m.buttonState = message == fxwin::kMessageLeftButtonDown ? kLeftButton : kRightButton;
        fxwin::setCapture(window);
        editor->mouse(m.x, m.y);
        return 0;
    case fxwin::kMessageLeftButtonUp:
    case fxwin::kMessageRightButtonUp:
        if (m.buttonState ==
            (message == fxwin::kMessageLeftButtonUp ? kLeftButton : kRightButton)) {
            m.buttonState = kNoButton;
            fxwin::releaseCapture();
        }
        return 0;
    default:
        return fxwin::defaultProcedure(window, message, wParam, lParam);
    }
}

} // namespace squeezer
