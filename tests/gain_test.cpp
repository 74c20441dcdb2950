// The dual flanger, loaded from build/plugins and driven through our host library.
//
// Most signal tests feed a ramp (sample n holds n + 1): a delay line then hands back
// n + 1 - delay, so the delay that each line read at each sample can be read off the
// output exactly.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param { kRate, kMin, kMax, kSwap, kPhase };
enum class Path { Process, Replacing };

const char* pathName(Path path) {
    return path == Path::Process ? "process" : "processReplacing";
}

using Stereo = std::vector<std::vector<float>>;
using Settings = std::vector<std::pair<int, float>>;

std::unique_ptr<Plugin> startGain() {
    auto plugin = fxtest::loadPlugin("gain");
    plugin->open();
    plugin->resume();
    return plugin;
}

// Runs both input channels through one path in blocks of `block` and returns the two
// outputs. `process` starts from outputs holding `held`.
Stereo render(Plugin& plugin, const Stereo& input, Path path, int block = 512, float held = 0.0f) {
    const int frames = static_cast<int>(input[0].size());
    Stereo out(2, std::vector<float>(input[0].size(), held));
    for (int done = 0; done < frames; done += block) {
        const int n = std::min(block, frames - done);
        float* ins[] = {const_cast<float*>(input[0].data()) + done,
                        const_cast<float*>(input[1].data()) + done};
        float* outs[] = {out[0].data() + done, out[1].data() + done};
        if (path == Path::Process)
            plugin.process(ins, outs, n);
        else
            plugin.processReplacing(ins, outs, n);
    }
    return out;
}

std::vector<float> ramp(int frames, float sign = 1.0f) {
    std::vector<float> x(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        x[i] = sign * static_cast<float>(i + 1);
    return x;
}

// The delay each line read at each sample, from the outputs of a ramp on both inputs.
// The replacing path halves wet plus dry; the dry part is taken out again.
Stereo delaysOfRamp(Plugin& plugin, int frames, Path path) {
    const auto x = ramp(frames);
    Stereo out = render(plugin, {x, x}, path);
    for (auto& channel : out)
        for (int i = 0; i < frames; ++i) {
            const float wet = path == Path::Process ? channel[i] : 2.0f * channel[i] - x[i];
            channel[i] = x[i] - wet;
        }
    return out;
}

TEST(Gain, DeclaresItsConfiguration) {
    auto plugin = startGain();
    EXPECT_EQ(plugin->uniqueId(), 0x516D5478);
    EXPECT_EQ(plugin->numPrograms(), 1);
    EXPECT_EQ(plugin->numParams(), 5);
    EXPECT_EQ(plugin->numInputs(), 2);
    EXPECT_EQ(plugin->numOutputs(), 2);
    EXPECT_EQ(plugin->flags(), flagCanMono | flagCanReplacing);
    EXPECT_EQ(plugin->programName(), "Default");
}

TEST(Gain, NamesLabelsAndDefaultDisplays) {
    auto plugin = startGain();
    const struct {
        const char *name, *label, *display;
        float value;
    } expected[] = {
        {"  Rate  ", "   Hz   ", "0.159999", 0.04f}, {"  Min   ", "   Hz   ", "5080.645", 0.03f},
        {"  Max   ", "   Hz   ", "769.3649", 0.22f}, {"Swap chan", " L   R ", " L   R ", 0.0f},
        {"L/R Phase", "degrees", "0.000000", 0.0f},
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name);
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label);
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << "parameter " << i;
        EXPECT_EQ(plugin->parameter(i), expected[i].value) << "parameter " << i;
    }
}

TEST(Gain, DisplaysAcrossTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kRate, 1.0f, "4.000000"},
        {kRate, 0.0f, "0.000000"},
        {kRate, 0.5f, "2.000000"},
        {kMin, 0.0f, "44100.00"},
        {kMax, 1.0f, "171.5953"},
        {kMax, 0.0f, "44100.00"},
        {kSwap, 0.5f, " L   R "},
        {kSwap, 0.51f, " R   L "},
        {kSwap, 1.0f, " R   L "},
        {kPhase, 1.0f, "180.0000"},
        {kPhase, 0.5f, "90.00000"},
        // Values a host should not send are shown as the nearest end of the range.
        {kRate, 7.0f, "4.000000"},
        {kRate, NAN, "0.000000"},
        {kMin, -1.0f, "44100.00"},
        {kMax, -0.00390625f, "44100.00"},
        {kMax, INFINITY, "171.5953"},
        {kPhase, -5.0f, "0.000000"},
        {kSwap, NAN, " L   R "},
    };
    for (const auto& c : cases) {
        auto plugin = startGain();
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST(Gain, LimitsStayOrdered) {
    // From the defaults (Min 0.03, Max 0.22), one or two settings, then Min and Max.
    const struct {
        Settings settings;
        float min, max;
    } cases[] = {
        {{{kMin, 0.5f}}, 0.22f, 0.22f},              // Min above Max stops at Max
        {{{kMin, 0.22f}}, 0.22f, 0.22f},             // Min equal to Max is kept
        {{{kMax, 0.01f}}, 0.01f, 0.01f},             // Max below Min takes Min down
        {{{kMax, 0.9f}, {kMin, 0.5f}}, 0.5f, 0.9f},  // raised in the right order
        {{{kMin, 0.5f}, {kMax, 0.9f}}, 0.22f, 0.9f}, // raised in the wrong order
        {{{kMin, NAN}}, 0.22f, 0.22f},               // no number is no lower limit
    };
    for (const auto& c : cases) {
        auto plugin = startGain();
        for (const auto& [index, value] : c.settings)
            plugin->setParameter(index, value);
        EXPECT_EQ(plugin->parameter(kMin), c.min) << "case with Min " << c.min << ", Max " << c.max;
        EXPECT_EQ(plugin->parameter(kMax), c.max) << "case with Min " << c.min << ", Max " << c.max;
    }
}

TEST(Gain, IndicesOutsideTheTableChangeAndShowNothing) {
    auto plugin = startGain();
    for (int index : {-1, 5, 1000}) {
        plugin->setParameter(index, 0.7f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_NE(plugin->parameter(i), 0.7f);
}

TEST(Gain, ProgramNamesAreCutToTheField) {
    auto plugin = startGain();
    plugin->setProgramName(std::string(31, 'a'));
    EXPECT_EQ(plugin->programName(), std::string(31, 'a'));
    plugin->setProgramName(std::string(300, 'b'));
    EXPECT_EQ(plugin->programName(), std::string(31, 'b'));
}

// A still sweep reads fixed delays: the left line where the sweep started, the right one
// that far ahead into the range.
TEST(Gain, StillSweepReadsFixedDelaysOnBothPaths) {
    const struct {
        Settings settings;
        float left, right;
    } cases[] = {
        {{{kRate, 0.0f}}, 15.0f, 15.0f},                  // trunc(0.03 x 512)
        {{{kRate, 0.0f}, {kPhase, 1.0f}}, 15.0f, 112.0f}, // trunc(0.22 x 512)
        {{{kRate, 0.0f}, {kPhase, 0.25f}}, 15.0f, 39.0f}, // trunc(0.0775 x 512)
        {{{kMax, 0.03f}, {kPhase, 1.0f}}, 15.0f, 15.0f},  // Min = Max: no range
        // Standing still, the sweep stays where it was, even outside new limits; the right
        // position is folded back into them.
        {{{kRate, 0.0f}, {kMax, 0.02f}, {kMin, 0.0f}}, 15.0f, 5.0f},
    };
    for (Path path : {Path::Process, Path::Replacing})
        for (const auto& c : cases) {
            auto plugin = startGain();
            for (const auto& [index, value] : c.settings)
                plugin->setParameter(index, value);
            const Stereo delays = delaysOfRamp(*plugin, 3000, path);
            for (int i = 1024; i < 3000; ++i) {
                ASSERT_EQ(delays[0][i], c.left) << pathName(path) << ", left at " << i;
                ASSERT_EQ(delays[1][i], c.right) << pathName(path) << ", right at " << i;
            }
        }
}

// Rate 1 is a 4 Hz triangle at 44.1 kHz: a cycle of 11025 samples, here over the whole
// range, 0 to 512 samples of delay.
TEST(Gain, DelaySweepsInATriangleBetweenTheLimits) {
    constexpr int kFrames = 40000;
    for (Path path : {Path::Process, Path::Replacing}) {
        auto plugin = startGain();
        plugin->setParameter(kMax, 1.0f);
        plugin->setParameter(kMin, 0.0f);
        plugin->setParameter(kRate, 1.0f);
        const auto delay = delaysOfRamp(*plugin, kFrames, path)[0];
        std::vector<int> peaks, troughs;
        for (int i = 1024; i < kFrames; ++i) {
            // 512 samples of delay in 5512.5 samples: never more than one step at a time.
            ASSERT_LE(std::fabs(delay[i] - delay[i - 1]), 1.0f) << pathName(path) << " at " << i;
            ASSERT_GE(delay[i], 0.0f);
            ASSERT_LE(delay[i], 512.0f);
            if (delay[i] == 511.0f && delay[i - 1] < 511.0f) peaks.push_back(i);
            if (delay[i] == 0.0f && delay[i - 1] > 0.0f) troughs.push_back(i);
        }
        ASSERT_GE(peaks.size(), 3u) << pathName(path);
        ASSERT_GE(troughs.size(), 3u) << pathName(path);
        for (std::size_t k = 1; k < peaks.size(); ++k)
            // Each turn may overshoot by a step, and the positions are rounded as floats.
            EXPECT_NEAR(peaks[k] - peaks[k - 1], 11025, 5) << pathName(path);
        // Half a cycle from the top to the bottom.
        const auto trough = std::upper_bound(troughs.begin(), troughs.end(), peaks[0]);
        ASSERT_NE(trough, troughs.end());
        EXPECT_NEAR(*trough - peaks[0], 5512, 30) << pathName(path);
    }
}

// The right line follows the left one's triangle, ahead by Phase x half a cycle.
TEST(Gain, RightSweepRunsAheadByThePhase) {
    constexpr int kFrames = 40000;
    const struct {
        float phase;
        int lead; // samples, of a 11025-sample cycle
    } cases[] = {{0.0f, 0}, {0.5f, 2756}, {1.0f, 5512}, {0.25f, 1378}};
    for (Path path : {Path::Process, Path::Replacing})
        for (const auto& c : cases) {
            auto plugin = startGain();
            plugin->setParameter(kMax, 0.9f);
            plugin->setParameter(kMin, 0.1f);
            plugin->setParameter(kRate, 1.0f);
            plugin->setParameter(kPhase, c.phase);
            const Stereo delays = delaysOfRamp(*plugin, kFrames, path);
            for (int i = 1024; i + c.lead < kFrames; ++i)
                ASSERT_NEAR(delays[1][i], delays[0][i + c.lead], 2.0f)
                    << pathName(path) << ", phase " << c.phase << ", sample " << i;
            if (c.phase == 0.0f) {
                for (int i = 1024; i < kFrames; ++i)
                    ASSERT_EQ(delays[0][i], delays[1][i]) << i;
            }
            // Half a cycle ahead is the mirror image within the limits.
            if (c.phase == 1.0f) {
                for (int i = 1024; i < kFrames; ++i)
                    ASSERT_NEAR(delays[0][i] + delays[1][i], (0.1f + 0.9f) * 512.0f, 2.0f) << i;
            }
        }
}

TEST(Gain, ReplacingMixesEachDelayWithTheDryChannelSwapAbove05) {
    constexpr int kFrames = 2000;
    constexpr int kDelay = 15;
    const auto left = ramp(kFrames), right = ramp(kFrames, -0.5f);
    for (float swap : {0.0f, 0.5f, 0.51f, 1.0f}) {
        auto plugin = startGain();
        plugin->setParameter(kRate, 0.0f);
        plugin->setParameter(kSwap, swap);
        const Stereo out = render(*plugin, {left, right}, Path::Replacing);
        const bool swapped = swap > 0.5f;
        for (int i = kDelay; i < kFrames; ++i) {
            ASSERT_EQ(out[0][i], (left[i - kDelay] + (swapped ? right[i] : left[i])) / 2)
                << swap << " at " << i;
            ASSERT_EQ(out[1][i], (right[i - kDelay] + (swapped ? left[i] : right[i])) / 2)
                << swap << " at " << i;
        }
    }
}

TEST(Gain, ProcessAddsTheDelaysAloneWhateverSwapSays) {
    const auto left = fxtest::makeSignal(fxtest::Signal::Noise, 5000, 44100.0f, 1);
    const auto right = fxtest::makeSignal(fxtest::Signal::Saw, 5000, 44100.0f);
    Stereo outputs[2];
    for (int swapped = 0; swapped < 2; ++swapped) {
        auto plugin = startGain();
        plugin->setParameter(kSwap, swapped ? 1.0f : 0.0f);
        outputs[swapped] = render(*plugin, {left, right}, Path::Process, 512, 0.25f);
    }
    EXPECT_EQ(outputs[0], outputs[1]);

    // With a still sweep: what the outputs held, plus each channel 15 samples late.
    auto plugin = startGain();
    plugin->setParameter(kRate, 0.0f);
    const Stereo out = render(*plugin, {left, right}, Path::Process, 512, 0.25f);
    for (int i = 0; i < 15; ++i)
        ASSERT_EQ(out[0][i], 0.25f);
    for (int i = 15; i < 5000; ++i) {
        ASSERT_EQ(out[0][i], 0.25f + left[i - 15]) << i;
        ASSERT_EQ(out[1][i], 0.25f + right[i - 15]) << i;
    }
}

TEST(Gain, BlockSizesDoNotChangeTheResult) {
    const auto left = fxtest::makeSignal(fxtest::Signal::Noise, 30000, 44100.0f, 2);
    const auto right = fxtest::makeSignal(fxtest::Signal::Noise, 30000, 44100.0f, 3);
    for (Path path : {Path::Process, Path::Replacing}) {
        auto reference = startGain();
        reference->setParameter(kRate, 1.0f);
        reference->setParameter(kPhase, 0.3f);
        const Stereo whole = render(*reference, {left, right}, path, 30000);
        for (int block : {1, 7, 64, 512, 4096}) {
            auto plugin = startGain();
            plugin->setParameter(kRate, 1.0f);
            plugin->setParameter(kPhase, 0.3f);
            // Empty and negative blocks between the real ones change nothing.
            float* none[] = {nullptr, nullptr};
            plugin->process(none, none, 0);
            plugin->processReplacing(none, none, -5);
            EXPECT_EQ(render(*plugin, {left, right}, path, block), whole)
                << pathName(path) << ", blocks of " << block;
        }
    }
}

TEST(Gain, DelayLinesKeepTheirContentsAcrossSuspendAndResume) {
    auto plugin = startGain();
    plugin->setParameter(kRate, 0.0f);
    std::vector<float> impulse(5, 0.0f);
    impulse[0] = 1.0f;
    render(*plugin, {impulse, impulse}, Path::Process);
    plugin->suspend();
    plugin->resume();
    const std::vector<float> silence(100, 0.0f);
    const Stereo out = render(*plugin, {silence, silence}, Path::Process);
    for (int line = 0; line < 2; ++line)
        for (int i = 0; i < 100; ++i)
            EXPECT_EQ(out[line][i], i == 10 ? 1.0f : 0.0f) << i;
}

TEST(Gain, HostileValuesKeepEveryReadInsideTheLines) {
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, -1e30f, 2.0f, 1e-45f, 0.5f};
    const auto left = fxtest::makeSignal(fxtest::Signal::Noise, 3000, 44100.0f, 4);
    const auto right = fxtest::makeSignal(fxtest::Signal::Square, 3000, 44100.0f);
    auto plugin = startGain();
    for (Path path : {Path::Process, Path::Replacing})
        for (float a : hostile)
            for (float b : hostile) {
                // Each parameter gets one of the two values, in both orders of the limits.
                plugin->setParameter(kRate, a);
                plugin->setParameter(kMax, b);
                plugin->setParameter(kMin, a);
                plugin->setParameter(kPhase, b);
                plugin->setParameter(kSwap, a);
                for (int i = 0; i < 5; ++i)
                    EXPECT_LE(plugin->parameterDisplay(i).size(), 8u);
                for (const auto& channel : render(*plugin, {left, right}, path, 1000))
                    for (float sample : channel)
                        ASSERT_TRUE(std::isfinite(sample) && std::fabs(sample) <= 1.0f)
                            << sample << " with " << a << ", " << b << ", " << pathName(path);
                plugin->setParameter(kMin, b);
                plugin->setParameter(kMax, a);
            }
}

} // namespace
