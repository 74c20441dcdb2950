// The squeezer's editor, built with the in-memory window system and driven as a host
// drives it: through the editor opcodes, with mouse messages posted into the window's
// queue, reading back the pixels the controls copied into the window and the automation
// the host heard.

#include "module_entry.h"
#include "plugin_host.h"
#include "window_memory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;
namespace memory = fxwin::memory;

enum Param { kPower, kRatio, kThreshold, kAttack, kRelease, kMakeup };

struct Rect {
    int x, y, width, height;
};
constexpr Rect kSwitch{27, 20, 29, 29};
constexpr Rect kLed{20, 49, 7, 15};
constexpr Rect kMeter{20, 74, 115, 9};
constexpr Rect kLogo{204, 72, 94, 21};
constexpr Rect knob(int k) {
    return {64 + 44 * k, 20, 44, 44};
}

constexpr char kLatencyTitle[] = "Set VU-meter latency";
constexpr char kAboutTitle[] = "About Squashbox version 2.0";

// Which frame of a picture the window shows at a rectangle, or -1 for none.
int frameShown(fxwin::WindowHandle window, int pictureId, Rect r) {
    const fxwin::PictureResource* picture = fxwin::findPictureResource(pictureId);
    if (!picture) return -1;
    const int frames = (picture->width + 1) / (r.width + 1);
    const std::vector<std::uint32_t> pixels = memory::surface(window);
    const int windowWidth = memory::info(window).width;
    for (int f = 0; f < frames; ++f) {
        bool same = true;
        for (int y = 0; y < r.height && same; ++y)
            for (int x = 0; x < r.width && same; ++x)
                same = pixels[static_cast<std::size_t>(r.y + y) * windowWidth + r.x + x] ==
                       picture->pixels[static_cast<std::size_t>(y) * picture->width +
                                       f * (r.width + 1) + x];
        if (same) return f;
    }
    return -1;
}

class SqueezerEditor : public ::testing::Test {
protected:
    void SetUp() override {
        memory::reset();
        host = memory::createHostWindow(640, 480);
        plugin = Plugin::attach("squeezer", runMain);
        window = openEditor(*plugin);
    }

    void TearDown() override {
        memory::onQueueEmpty({});
        plugin.reset();
        memory::reset();
    }

    // Opens the editor in `host` and lets it paint; returns its window.
    fxwin::WindowHandle openEditor(Plugin& p) {
        const auto before = memory::windows().size();
        EXPECT_EQ(p.dispatch(opEditOpen, 0, 0, host), 1);
        const auto all = memory::windows();
        EXPECT_EQ(all.size(), before + 1);
        memory::dispatchAll();
        return all.back();
    }

    // A press at (x, y), a move to each point in turn, and the release once the queue has
    // run dry (time passing while the button is held); `whileHeld` sees the window then.
    void drag(int x, int y, std::vector<std::pair<int, int>> moves, bool right = false,
              std::function<void()> whileHeld = {}) {
        memory::postMouse(
            window, right ? fxwin::kMessageRightButtonDown : fxwin::kMessageLeftButtonDown, x, y);
        moves.insert(moves.begin(), {x, y});
        for (const auto& [mx, my] : moves)
            memory::postMouse(window, fxwin::kMessageMouseMove, mx, my);
        const auto up = right ? fxwin::kMessageRightButtonUp : fxwin::kMessageLeftButtonUp;
        const int lastX = moves.back().first;
        const int lastY = moves.back().second;
        memory::onQueueEmpty([=, this] {
            memory::onQueueEmpty({});
            if (whileHeld) whileHeld();
            memory::postMouse(window, up, lastX, lastY);
        });
        memory::dispatchAll();
        memory::dispatchAll(); // a release posted after the last message was handled
    }

    void click(int x, int y, bool right = false) { drag(x, y, {}, right); }

    // The values the editor reported to the host, oldest first.
    std::vector<float> automated(int index) {
        std::vector<float> values;
        for (const auto& call : plugin->calls())
            if (call.opcode == hostAutomate && call.index == index) values.push_back(call.opt);
        return values;
    }

    int knobFrame(int k) { return frameShown(window, 204, knob(k)); }

    std::unique_ptr<Plugin> plugin;
    fxwin::WindowHandle host = nullptr;
    fxwin::WindowHandle window = nullptr;
};

TEST_F(SqueezerEditor, OpensAChildWindowAtItsRectangle) {
    ERect* rect = nullptr;
    EXPECT_EQ(plugin->dispatch(opEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 99);
    EXPECT_EQ(rect->right, 304);
    const memory::WindowInfo info = memory::info(window);
    EXPECT_EQ(info.className, "GenericWindowClass");
    EXPECT_EQ(info.title, "");
    EXPECT_EQ(info.style, fxwin::kStyleChild | fxwin::kStyleVisible);
    EXPECT_EQ(info.parent, host);
    EXPECT_EQ(info.x, 0);
    EXPECT_EQ(info.y, 0);
    EXPECT_EQ(info.width, 304);
    EXPECT_EQ(info.height, 99);
}

TEST_F(SqueezerEditor, PaintShowsTheFrameOfEveryValue) {
    // The switch's frames 0 and 2 look the same (lit): both read as 0.
    const struct {
        float power, knobs[5];
        int switchFrame, ledFrame, knobFrames[5];
    } cases[] = {
        {0.0f, {0.5f, 0.6f, 0.18f, 0.55f, 0.6f}, 0, 0, {24, 29, 8, 26, 29}},
        {1.0f, {0.0f, 1.0f, 0.999f, 0.02f, 0.51f}, 0, 2, {0, 49, 48, 0, 24}},
        {0.5f, {2.0f, -1.0f, 0.25f, 0.75f, 0.1f}, 1, 1, {49, 0, 12, 36, 4}},
    };
    for (const auto& c : cases) {
        plugin->setParameter(kPower, c.power);
        for (int k = 0; k < 5; ++k)
            plugin->setParameter(kRatio + k, c.knobs[k]);
        memory::fill(window, 0);
        memory::postMessage(window, fxwin::kMessagePaint);
        memory::dispatchAll();
        EXPECT_EQ(frameShown(window, 101, kSwitch), c.switchFrame) << "POWER " << c.power;
        EXPECT_EQ(frameShown(window, 102, kLed), c.ledFrame) << "POWER " << c.power;
        for (int k = 0; k < 5; ++k)
            EXPECT_EQ(knobFrame(k), c.knobFrames[k]) << "knob " << k << " at " << c.knobs[k];
        EXPECT_EQ(frameShown(window, 208, kMeter), 0);
        // The background shows around the controls: its logo, for one.
        EXPECT_EQ(frameShown(window, 203, {0, 0, 304, 99}), -1) << "controls drawn over it";
        const fxwin::PictureResource* background = fxwin::findPictureResource(203);
        for (int x = kLogo.x; x < kLogo.x + kLogo.width; x += 7)
            EXPECT_EQ(memory::pixel(window, x, 85), background->pixels[85 * 304 + x]);
    }
}

TEST_F(SqueezerEditor, IdleRedrawsOnlyTheControlsThatChanged) {
    plugin->setParameter(kThreshold, 0.6f);
    plugin->dispatch(opEditIdle); // the first update draws every control once
    memory::clearCalls();
    plugin->setParameter(kThreshold, 0.5f);
    plugin->setParameter(kThreshold, 0.51f); // the same frame: 24
    EXPECT_EQ(memory::countCalls("bitBlt"), 0) << "nothing drawn inside the parameter call";
    plugin->dispatch(opEditIdle);
    EXPECT_EQ(memory::countCalls("bitBlt"), 1);
    EXPECT_EQ(knobFrame(1), 24);
    plugin->dispatch(opEditIdle);
    EXPECT_EQ(memory::countCalls("bitBlt"), 1) << "no update pending";
}

TEST_F(SqueezerEditor, KnobFollowsThePressAngle) {
    const struct {
        int x, y;
        float value;
    } cases[] = {
        {86, 21, 0.5f},         // straight above the centre (86, 42)
        {108, 42, 5.0f / 6.0f}, // right edge at centre height
        {64, 42, 1.0f / 6.0f},  // left edge
        {64, 64, 0.0f},         // lower left corner, 7:30
        {108, 64, 1.0f},        // lower right corner, 4:30
    };
    for (bool right : {false, true})
        for (const auto& c : cases) {
            plugin->setParameter(kRatio, 0.3f);
            click(c.x, c.y, right);
            EXPECT_NEAR(plugin->parameter(kRatio), c.value, 1e-6f)
                << c.x << "," << c.y << (right ? " right" : "");
            EXPECT_EQ(knobFrame(0), static_cast<int>(49 * plugin->parameter(kRatio)));
            EXPECT_EQ(automated(kRatio).back(), plugin->parameter(kRatio));
        }
    EXPECT_EQ(memory::capture(), nullptr) << "the mouse is released after every click";
}

TEST_F(SqueezerEditor, AClickSetsTheKnobEvenWithItsReleaseAlreadyQueued) {
    // A host that pumps the editor's messages at its idle calls hands over the press
    // and the release together.
    memory::postMouse(window, fxwin::kMessageLeftButtonDown, 130, 21);
    memory::postMouse(window, fxwin::kMessageLeftButtonUp, 130, 21);
    plugin->dispatch(opEditIdle);
    EXPECT_EQ(plugin->parameter(kThreshold), 0.5f);
    EXPECT_EQ(knobFrame(1), 24);
    EXPECT_EQ(memory::pendingMessages(), 0u);
}

TEST_F(SqueezerEditor, DragOverTheTopThenPastTheLowerRight) {
    // The THRESHOLD knob, centre (130, 42): from the lower left round over the top to
    // the lower right, on under the knob to the left.
    drag(112, 60,
         {{108, 42},
          {114, 26},
          {130, 10},
          {146, 26},
          {152, 42},
          {148, 60},
          {140, 80},
          {131, 90},
          {129, 90},
          {120, 80}});
    const std::vector<float> values = automated(kThreshold);
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.front(), 0.0f);
    std::vector<float> distinct;
    for (float v : values)
        if (distinct.empty() || distinct.back() != v) distinct.push_back(v);
    const std::vector<float> expected = {0.0f,        1.0f / 6.0f, 1.0f / 3.0f, 0.5f,
                                         2.0f / 3.0f, 5.0f / 6.0f, 1.0f,        0.0f};
    ASSERT_EQ(distinct.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(distinct[i], expected[i], 1e-6f) << "step " << i;
    EXPECT_EQ(plugin->parameter(kThreshold), 0.0f);
    EXPECT_EQ(knobFrame(1), 0);
}

TEST_F(SqueezerEditor, PressesCountOnTheEdgesAndOnlyInsideControls) {
    click(56, 49); // the power switch's lower right corner
    EXPECT_EQ(plugin->parameter(kPower), 1.0f);
    click(27, 20); // its upper left corner
    EXPECT_EQ(plugin->parameter(kPower), 0.0f);
    plugin->dispatch(opEditIdle);
    const auto before = plugin->calls().size();
    for (auto [x, y] : {std::pair{10, 10}, {57, 30}, {300, 5}, {150, 66}})
        click(x, y);
    EXPECT_EQ(plugin->calls().size(), before) << "no parameter changed";
}

TEST_F(SqueezerEditor, PowerSwitchShowsPressedWhileHeldThenTheNewState) {
    int heldSwitch = -1, heldLed = -1;
    drag(41, 34, {}, false, [&] {
        EXPECT_EQ(plugin->parameter(kPower), 1.0f) << "set at the press";
        heldSwitch = frameShown(window, 101, kSwitch);
        heldLed = frameShown(window, 102, kLed);
    });
    EXPECT_EQ(heldSwitch, 1);
    EXPECT_EQ(heldLed, 1);
    EXPECT_EQ(automated(kPower), std::vector<float>{1.0f});
    EXPECT_EQ(frameShown(window, 101, kSwitch), 0) << "lit again (frame 2 looks like 0)";
    EXPECT_EQ(frameShown(window, 102, kLed), 2) << "the Off LED is lit";
    click(41, 34, true);
    EXPECT_EQ(plugin->parameter(kPower), 0.0f);
    EXPECT_EQ(frameShown(window, 102, kLed), 0) << "the On LED is lit";
}

TEST_F(SqueezerEditor, PowerHalfwayShowsPressedAndAClickTurnsItOn) {
    plugin->setParameter(kPower, 0.5f);
    plugin->dispatch(opEditIdle);
    EXPECT_EQ(frameShown(window, 101, kSwitch), 1);
    EXPECT_EQ(frameShown(window, 102, kLed), 1);
    click(41, 34);
    EXPECT_EQ(plugin->parameter(kPower), 0.0f);
    EXPECT_EQ(frameShown(window, 102, kLed), 0);
}

// Processing with a steady level: `level` on both channels, the threshold at 0.1 and
// ratio 1, so that the reduction settles at level - 0.1.
void runSteadyLevel(Plugin& plugin, float level, int frames) {
    plugin.setParameter(kThreshold, 0.5f);
    plugin.setParameter(kRatio, 1.0f);
    plugin.setParameter(kAttack, 0.0f);
    plugin.setParameter(kRelease, 1.0f);
    std::vector<float> in(512, level), out(512);
    float* ins[] = {in.data(), in.data()};
    float* outs[] = {out.data(), out.data()};
    for (int done = 0; done < frames; done += 512)
        plugin.processReplacing(ins, outs, 512);
}

TEST_F(SqueezerEditor, MeterShowsTheReductionFromProcessing) {
    const struct {
        float level;
        int frame;
    } cases[] = {{0.05f, 0}, {0.6f, 7}, {0.95f, 12}, {1.2f, 15}, {3.0f, 15}};
    for (const auto& c : cases) {
        runSteadyLevel(*plugin, c.level, 8192);
        EXPECT_EQ(frameShown(window, 208, kMeter), c.frame) << "level " << c.level;
    }
    // A reduction above 1.0 shows the last frame instead of reading past the strip.
    for (const std::string& call : memory::calls())
        if (call.find("<- 208 ") != std::string::npos) {
            EXPECT_LE(std::stoi(call.substr(call.find("<- 208 ") + 7)), 15 * 116) << call;
        }
}

TEST_F(SqueezerEditor, MeterWindowOpensOnAPressAndTheNextPressClosesIt) {
    click(60, 78);
    auto latency = memory::windowsTitled(kLatencyTitle);
    ASSERT_EQ(latency.size(), 1u);
    const memory::WindowInfo info = memory::info(latency[0]);
    EXPECT_EQ(info.className, "GenericWindowClass");
    EXPECT_EQ(info.style, fxwin::kStyleVisible);
    EXPECT_EQ(info.parent, window) << "owned by the editor window";
    EXPECT_EQ(info.x, 100);
    EXPECT_EQ(info.y, 100);
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(info.height, 200);
    memory::dispatchAll();
    EXPECT_EQ(memory::pixel(latency[0], 100, 100), memory::kButtonFace) << "nothing drawn in it";

    click(86, 21); // the RATIO knob: closes the window and turns the knob
    EXPECT_TRUE(memory::windowsTitled(kLatencyTitle).empty());
    EXPECT_EQ(plugin->parameter(kRatio), 0.5f);
    click(60, 78);
    EXPECT_EQ(memory::windowsTitled(kLatencyTitle).size(), 1u);
    click(5, 5); // outside every control
    EXPECT_TRUE(memory::windowsTitled(kLatencyTitle).empty());
}

TEST_F(SqueezerEditor, LogoOpensTheAboutPictureUntilTheNextPress) {
    click(250, 80);
    auto about = memory::windowsTitled(kAboutTitle);
    ASSERT_EQ(about.size(), 1u);
    EXPECT_EQ(memory::info(about[0]).width, 300);
    EXPECT_EQ(memory::info(about[0]).height, 200);
    memory::dispatchAll();
    EXPECT_EQ(frameShown(about[0], 103, {0, 0, 300, 200}), 0);
    click(250, 80);
    EXPECT_TRUE(memory::windowsTitled(kAboutTitle).empty());
}

TEST_F(SqueezerEditor, TwoEditorsShareOneClassRegistration) {
    auto second = Plugin::attach("squeezer", runMain);
    ERect* first = nullptr;
    ERect* other = nullptr;
    plugin->dispatch(opEditGetRect, 0, 0, &first);
    second->dispatch(opEditGetRect, 0, 0, &other);
    EXPECT_EQ(first, other) << "one rectangle for the module";
    openEditor(*second);
    EXPECT_EQ(memory::countCalls("registerClass"), 1);
    plugin->dispatch(opEditClose);
    EXPECT_TRUE(memory::isClassRegistered("GenericWindowClass"));
    plugin->dispatch(opEditClose); // a second close counts nothing
    EXPECT_TRUE(memory::isClassRegistered("GenericWindowClass"));
    second->dispatch(opEditClose);
    EXPECT_FALSE(memory::isClassRegistered("GenericWindowClass"));
    EXPECT_EQ(memory::countCalls("unregisterClass"), 1);
    // And again after both closed.
    window = openEditor(*plugin);
    EXPECT_EQ(memory::countCalls("registerClass"), 2);
}

TEST_F(SqueezerEditor, NothingDrawsAfterClose) {
    click(60, 78); // the meter's window is open too
    plugin->dispatch(opEditClose);
    EXPECT_FALSE(fxwin::isWindow(window));
    EXPECT_TRUE(memory::windowsTitled(kLatencyTitle).empty()) << "went with its owner";
    memory::clearCalls();
    plugin->setParameter(kRatio, 0.9f);
    plugin->dispatch(opEditIdle);
    runSteadyLevel(*plugin, 0.9f, 4096); // meter refreshes from processing
    memory::postMessage(window, fxwin::kMessagePaint);
    memory::dispatchAll();
    EXPECT_EQ(memory::countCalls("bitBlt"), 0);
    // Opened again, it draws again.
    window = openEditor(*plugin);
    EXPECT_EQ(knobFrame(0), 49) << "RATIO 1.0 from the steady run";
}

TEST_F(SqueezerEditor, EditorWithoutAParentKeepsNoWindow) {
    auto orphan = Plugin::attach("squeezer", runMain);
    memory::clearCalls();
    EXPECT_EQ(orphan->dispatch(opEditOpen, 0, 0, nullptr), 1);
    orphan->dispatch(opEditIdle);
    runSteadyLevel(*orphan, 0.9f, 2048);
    EXPECT_EQ(memory::countCalls("bitBlt"), 0);
    orphan.reset(); // closed with its editor open: the count goes back
    plugin->dispatch(opEditClose);
    EXPECT_FALSE(memory::isClassRegistered("GenericWindowClass"));
}

} // namespace
