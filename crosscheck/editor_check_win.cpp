// fxhost-win editor: the squeezer's editor in a real window, driven as a user and a host
// would (run under Wine on a virtual X server by scripts/check-windows.sh).
//
// It opens a top-level window of its own sized to the editor's rectangle (opcode 13), opens
// the editor inside it (opcode 14), and runs a message loop with editor idle calls
// (opcode 19) while a second thread processes a loud tone at the pace of real time, so that
// the gain-reduction meter moves. A third thread then presses the left button on a knob and
// drags it with real input (SendInput), as a user's mouse would; the knob's parameter must
// follow the pointer. It saves a picture of the editor as a BMP file, clicks the meter,
// which opens the editor's latency window, and closes the editor (opcode 15): its window
// and the latency window must go.
#include "editor_check_win.h"

#include "aeffect.h"
#include "plugin_host.h"
#include "real_input_win.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace fxcheck {

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kBlock = 512;
constexpr int kIdleMilliseconds = 15;

// Where the editor draws, in its own pixels: the ratio knob (parameter 1) and the meter.
constexpr int kKnobParameter = 1;
constexpr int kKnobCentreX = 64 + 22, kKnobCentreY = 20 + 22;
constexpr RECT kMeterRect{20, 74, 20 + 115, 74 + 9};
constexpr POINT kMeterClick{30, 78};
constexpr char kLatencyTitle[] = "Set VU-meter latency";
// The press lands low on the knob's left (its minimum end), the drag ends high on its
// right.
constexpr POINT kPress{kKnobCentreX - 15, kKnobCentreY + 10};
constexpr POINT kDragEnd{kKnobCentreX + 15, kKnobCentreY - 10};

int failures = 0;

void fail(const char* what) {
    std::fprintf(stderr, "FAIL: editor: %s\n", what);
    ++failures;
}

// The value a knob takes for a pointer at (px, py) around its centre: straight down is
// the middle of a dead zone, the sweep runs clockwise from lower left (0) over the top
// to lower right (1).
float knobValueAt(double px, double py, double cx, double cy) {
    const double pi = 4.0 * std::atan2(1.0, 1.0);
    const double phi = std::atan2(px - cx, py - cy) + pi;
    const double sweep = 3.0 * pi / 4.0;
    const double raw = phi <= pi ? 1.0 - phi / sweep : 2.0 - (phi - 5.0 * pi / 4.0) / sweep;
    return static_cast<float>(std::fmin(std::fmax(0.5 * raw, 0.0), 1.0));
}

LRESULT CALLBACK hostWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Handles this thread's pending messages and gives the editor its idle call, for about
// `milliseconds`.
void runMessageLoop(fxhost::Plugin& plugin, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        plugin.dispatch(opEditIdle);
        Sleep(kIdleMilliseconds);
    } while (std::chrono::steady_clock::now() < end);
}

// The window's pixels, 24 bits each, rows bottom-up as a BMP file has them.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> bits;

    int rowSize() const { return (width * 3 + 3) & ~3; }
    COLORREF at(int x, int y) const {
        const unsigned char* p = &bits[std::size_t((height - 1 - y) * rowSize() + x * 3)];
        return RGB(p[2], p[1], p[0]);
    }
};

Picture capture(HWND window) {
    Picture picture;
    RECT client;
    if (!GetClientRect(window, &client)) return picture;
    const int width = client.right, height = client.bottom;
    const HDC screen = GetDC(window);
    if (!screen) return picture;
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    if (memory && bitmap) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height; // bottom-up
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        picture.width = width;
        picture.height = height;
        picture.bits.resize(std::size_t(picture.rowSize() * height));
        if (GetDIBits(memory, bitmap, 0, UINT(height), picture.bits.data(), &info,
                      DIB_RGB_COLORS) != height)
            picture = Picture{};
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(window, screen);
    return picture;
}

bool writeBitmapFile(const char* path, const Picture& picture) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = DWORD(picture.bits.size());
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    const bool written =
        std::fwrite(&file, sizeof file, 1, out) == 1 &&
        std::fwrite(&info, sizeof info, 1, out) == 1 &&
        std::fwrite(picture.bits.data(), 1, picture.bits.size(), out) == picture.bits.size();
    return std::fclose(out) == 0 && written;
}

std::vector<COLORREF> pixelsIn(const Picture& picture, const RECT& r) {
    std::vector<COLORREF> pixels;
    for (int y = r.top; y < r.bottom && y < picture.height; ++y)
        for (int x = r.left; x < r.right && x < picture.width; ++x)
            pixels.push_back(picture.at(x, y));
    return pixels;
}

} // namespace

int editorCommand(int argc, char** argv) {
    if (argc != 2) return 2;
    const char* screenshotPath = argv[1];
    std::unique_ptr<fxhost::Plugin> plugin;
    try {
        plugin = fxhost::Plugin::load(argv[0]);
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fxhost-win: %s\n", e.what());
        return 1;
    }
    if (!(plugin->flags() & flagHasEditor)) {
        fail("the plug-in has no editor");
        return 1;
    }
    plugin->open();
    plugin->setSampleRate(kSampleRate);
    plugin->setBlockSize(kBlock);
    plugin->resume();

    ERect* rect = nullptr;
    if (!plugin->dispatch(opEditGetRect, 0, 0, &rect) || !rect) {
        fail("opcode 13 gives no rectangle");
        return 1;
    }
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    std::printf("editor: %d x %d\n", width, height);

    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = hostWindowProcedure;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    hostClass.lpszClassName = "fxhost-win editor host";
    RegisterClassA(&hostClass);
    constexpr DWORD kHostStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, kHostStyle, FALSE);
    const HWND host = CreateWindowExA(0, hostClass.lpszClassName, "squeezer", kHostStyle, 40, 40,
                                      frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                      nullptr, hostClass.hInstance, nullptr);
    if (!host) {
        fail("cannot make the host's window (is there a display?)");
        return 1;
    }
    ShowWindow(host, SW_SHOWNORMAL);
    UpdateWindow(host);
    SetForegroundWindow(host);

    plugin->dispatch(opEditOpen, 0, 0, host);
    const HWND editor = GetWindow(host, GW_CHILD);
    char className[64] = {};
    if (!editor) {
        fail("opcode 14 made no child window in the host's window");
    } else {
        GetClassNameA(editor, className, sizeof className);
        if (std::strcmp(className, "GenericWindowClass") != 0)
            fail("the editor's window is not of the class GenericWindowClass");
    }
    runMessageLoop(*plugin, 500);
    const Picture still = editor ? capture(editor) : Picture{};

    // Processing at the pace of real time: a tone far above the threshold.
    std::atomic<bool> processing{true};
    std::thread audio([&] {
        fxhost::AudioBuffers in(2, kBlock), out(2, kBlock);
        long frame = 0;
        auto next = std::chrono::steady_clock::now();
        while (processing.load()) {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < kBlock; ++i)
                    in.channel(c)[i] = 0.8f * std::sin(float(frame + i) * 0.0627f);
            frame += kBlock;
            plugin->processReplacing(in, out, kBlock);
            next += std::chrono::microseconds(kBlock * 1000000 / int(kSampleRate));
            std::this_thread::sleep_until(next);
        }
    });
    runMessageLoop(*plugin, 1000);
    const Picture moving = editor ? capture(editor) : Picture{};
    if (pixelsIn(still, kMeterRect).empty() ||
        pixelsIn(still, kMeterRect) == pixelsIn(moving, kMeterRect))
        fail("the meter did not move while processing");
    else
        std::printf("editor: the meter moves while processing\n");

    // A user's press and drag on the knob, from another thread: while the button is held,
    // this thread is inside the editor's drag loop.
    const float before = plugin->parameter(kKnobParameter);
    std::atomic<float> afterPress{-1.0f};
    std::atomic<bool> userDone{false};
    std::thread user([&] {
        if (editor) {
            movePointer(editor, kPress);
            Sleep(150);
            pressButton(true);
            // The press has landed once the knob leaves its value (within a few seconds
            // even on a busy machine).
            for (int wait = 0; wait < 100 && plugin->parameter(kKnobParameter) == before; ++wait)
                Sleep(30);
            Sleep(100);
            afterPress.store(plugin->parameter(kKnobParameter));
            constexpr int kSteps = 8;
            for (int step = 1; step <= kSteps; ++step) {
                movePointer(editor, POINT{kPress.x + (kDragEnd.x - kPress.x) * step / kSteps,
                                          kPress.y + (kDragEnd.y - kPress.y) * step / kSteps});
                Sleep(40);
            }
            Sleep(150);
            pressButton(false);
        }
        userDone.store(true);
    });
    while (!userDone.load())
        runMessageLoop(*plugin, 50);
    user.join();
    runMessageLoop(*plugin, 300);
    const float after = plugin->parameter(kKnobParameter);
    const float pressExpected = knobValueAt(kPress.x, kPress.y, kKnobCentreX, kKnobCentreY);
    const float dragExpected = knobValueAt(kDragEnd.x, kDragEnd.y, kKnobCentreX, kKnobCentreY);
    std::printf("editor: knob %d: %.3f, %.3f after the press (expected %.3f), %.3f after the "
                "drag (expected %.3f)\n",
                kKnobParameter, double(before), double(afterPress.load()), double(pressExpected),
                double(after), double(dragExpected));
    if (std::fabs(afterPress.load() - pressExpected) > 0.02f)
        fail("the knob did not take the value of the press");
    if (std::fabs(after - dragExpected) > 0.02f) fail("the knob did not follow the drag");

    runMessageLoop(*plugin, 300);
    const Picture shown = editor ? capture(editor) : Picture{};
    std::set<COLORREF> colours;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            colours.insert(shown.at(x, y));
    if (shown.width != width || shown.height != height || colours.size() < 64)
        fail("the editor's window does not show its pictures");
    if (shown.width && !writeBitmapFile(screenshotPath, shown))
        fail("cannot write the picture");
    else if (shown.width)
        std::printf("editor: picture of the editor in %s\n", screenshotPath);

    // A click on the meter opens the editor's latency window, which goes with the editor.
    std::thread clicker([&] {
        if (!editor) return;
        movePointer(editor, kMeterClick);
        Sleep(100);
        pressButton(true);
        Sleep(100);
        pressButton(false);
    });
    HWND latency = nullptr;
    for (int wait = 0; wait < 60 && !latency; ++wait) {
        runMessageLoop(*plugin, 50);
        latency = FindWindowA("GenericWindowClass", kLatencyTitle);
    }
    clicker.join();
    runMessageLoop(*plugin, 200);
    if (!latency) fail("a click on the meter opened no latency window");

    processing.store(false);
    audio.join();
    plugin->dispatch(opEditClose);
    runMessageLoop(*plugin, 100);
    if (editor && IsWindow(editor)) fail("the editor's window is still there after opcode 15");
    if (latency && IsWindow(latency)) fail("the latency window is still there after opcode 15");
    DestroyWindow(host);
    plugin.reset();
    return failures ? 1 : 0;
}

} // namespace fxcheck
