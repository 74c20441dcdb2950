// The tremolo and auto-pan, loaded from build/plugins and driven through our host
// library.
//
// The signal tests feed a constant 1.0 at Pan 0.5 and Volume 0.5, where both gains are
// 1: the left output is then (1 - p) x t and the right one p x t, with p the position
// oscillator and t the gain oscillator. A fresh instance starts both at their first
// table entry.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param { kSpeed, kDepth, kWave, kPan, kPanSpeed, kPanWidth, kPanWave, kVolume };
using Stereo = std::vector<std::vector<float>>;
using Settings = std::vector<std::pair<int, float>>;

std::unique_ptr<Plugin> startPulsar(const Settings& settings = {}) {
    auto plugin = fxtest::loadPlugin("pulsar");
    plugin->open();
    plugin->resume();
    for (const auto& [index, value] : settings)
        plugin->setParameter(index, value);
    return plugin;
}

// Runs `input` through `process` in blocks of `block`, into outputs holding `held`.
Stereo render(Plugin& plugin, const std::vector<float>& input, int block = 512, float held = 0.0f) {
    return fxtest::renderMono(plugin, input, block, fxtest::Path::Accumulating,
                              Stereo(2, std::vector<float>(input.size(), held)));
}

Stereo renderOnes(Plugin& plugin, int frames, int block = 512) {
    return render(plugin, std::vector<float>(static_cast<std::size_t>(frames), 1.0f), block);
}

// Unity gains on both sides.
const Settings kUnity = {{kPan, 0.5f}, {kVolume, 0.5f}};

Settings with(Settings settings, const Settings& more) {
    settings.insert(settings.end(), more.begin(), more.end());
    return settings;
}

TEST(Pulsar, DeclaresItsConfiguration) {
    auto plugin = startPulsar();
    EXPECT_EQ(plugin->uniqueId(), 0x514A5833);
    EXPECT_EQ(plugin->numPrograms(), 16);
    EXPECT_EQ(plugin->numParams(), 8);
    EXPECT_EQ(plugin->numInputs(), 1);
    EXPECT_EQ(plugin->numOutputs(), 2);
    const std::int32_t replacing = sizeof(void*) == 8 ? flagCanReplacing : 0;
    EXPECT_EQ(plugin->flags(), flagHasVu | replacing);
    for (int p = 0; p < 16; ++p) {
        plugin->setProgram(p);
        EXPECT_EQ(plugin->programName(), "Default");
        EXPECT_EQ(plugin->parameter(kPanWave), 0.2f);
    }
}

TEST(Pulsar, NamesLabelsAndDefaultDisplays) {
    auto plugin = startPulsar();
    const struct {
        const char *name, *label, *display;
    } expected[] = {
        {"Speed     ", "Hz      ", "3.70"},   {"Depth     ", "amount  ", "75%"},
        {"Wave      ", "waveform", "SINE"},   {"Pan       ", "L-R     ", "0"},
        {"Pan Speed ", "Hz      ", "0.31"},   {"Pan Width ", "amount  ", "50%"},
        {"Pan Wave  ", "waveform", "SQUARE"}, {"Volume    ", "level   ", "+6.0 dB"},
    };
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name);
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label);
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << "parameter " << i;
    }
}

TEST(Pulsar, DisplaysAcrossTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kSpeed, 0.5f, "1.00"},
        {kSpeed, 0.0f, "0.01"},
        {kSpeed, 1.0f, "10.00"},
        {kPanSpeed, 0.75f, "5.50"},
        {kWave, 1.0f, "SAW DN"},
        {kWave, 0.79f, "SAW UP"},
        {kWave, 0.2f, "SQUARE"},
        {kWave, 0.4f, "TRI"},
        {kWave, 0.19999f, "SINE"},
        {kPanWave, 0.8f, "SAW DN"},
        {kPan, 0.0f, "-50"},
        {kPan, 1.0f, "50"},
        {kPan, 0.257f, "-25"},
        {kDepth, 0.0f, "0%"},
        {kDepth, 1.0f, "100%"},
        {kPanWidth, 0.999f, "99%"},
        {kVolume, 0.5f, "+0.0 dB"},
        {kVolume, 0.25f, "-6.0 dB"},
        {kVolume, 0.0f, "-inf dB"},
        // Values a host should not send are shown as the nearest end of the range.
        {kWave, 3.0f, "SAW DN"},
        {kWave, -1.0f, "SINE"},
        {kWave, NAN, "SINE"},
        {kPanWave, 1e30f, "SAW DN"},
        {kSpeed, INFINITY, "10.00"},
        {kDepth, NAN, "0%"},
        {kPan, -7.0f, "-50"},
        {kVolume, 2.0f, "+6.0 dB"},
        {kVolume, -1.0f, "-inf dB"},
    };
    auto plugin = startPulsar();
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
        EXPECT_TRUE(c.value != c.value || plugin->parameter(c.index) == c.value) << "kept as sent";
    }
}

TEST(Pulsar, IndicesOutsideTheTableChangeAndShowNothing) {
    auto plugin = startPulsar();
    for (int index : {-1, 8, 1000}) {
        plugin->setParameter(index, 0.3f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
    EXPECT_EQ(plugin->parameterDisplay(kSpeed), "3.70");
}

// Without either oscillator moving anything (Depth 0, Pan Width 0), each output gets
// half the input times its gain: a plain balance-and-volume stage.
TEST(Pulsar, PanAndVolumeSetTheTwoGains) {
    const struct {
        float pan, volume, left, right;
    } cases[] = {
        {0.5f, 0.5f, 0.5f, 0.5f}, {0.5f, 1.0f, 1.0f, 1.0f},   {0.0f, 0.5f, 0.5f, 0.0f},
        {1.0f, 1.0f, 0.0f, 1.0f}, {0.25f, 0.5f, 0.5f, 0.25f}, {0.75f, 0.25f, 0.125f, 0.25f},
        {0.5f, 0.0f, 0.0f, 0.0f}, {-3.0f, 0.5f, 0.5f, 0.0f},  {0.5f, NAN, 0.0f, 0.0f},
    };
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 3000, 44100.0f, 5);
    for (const auto& c : cases) {
        auto plugin =
            startPulsar({{kDepth, 0.0f}, {kPanWidth, 0.0f}, {kPan, c.pan}, {kVolume, c.volume}});
        const Stereo out = render(*plugin, input);
        for (int i = 0; i < 3000; ++i) {
            ASSERT_FLOAT_EQ(out[0][i], c.left * input[i])
                << "pan " << c.pan << ", volume " << c.volume;
            ASSERT_FLOAT_EQ(out[1][i], c.right * input[i])
                << "pan " << c.pan << ", volume " << c.volume;
        }
    }
}

// The gain swings between 1 - Depth and 1; the position between 0.5 -/+ Pan Width / 2.
TEST(Pulsar, DepthAndWidthSetTheSwings) {
    const struct {
        int index; // Depth or Pan Width; the other one is 0
        float amount, lowest, highest;
    } cases[] = {
        {kDepth, 1.0f, 0.0f, 1.0f},      {kDepth, 0.3f, 0.7f, 1.0f},
        {kDepth, 0.0f, 1.0f, 1.0f},      {kPanWidth, 1.0f, 0.0f, 1.0f},
        {kPanWidth, 0.5f, 0.25f, 0.75f}, {kPanWidth, 0.0f, 0.5f, 0.5f},
    };
    for (const auto& c : cases) {
        const int other = c.index == kDepth ? kPanWidth : kDepth;
        auto plugin = startPulsar(
            with(kUnity, {{kSpeed, 1.0f}, {kPanSpeed, 1.0f}, {other, 0.0f}, {c.index, c.amount}}));
        const Stereo out = renderOnes(*plugin, 4410); // one 10 Hz cycle
        // The gain shows on the sum of both sides, the position on the right side's share.
        std::vector<float> swing(4410);
        for (int i = 0; i < 4410; ++i)
            swing[i] =
                c.index == kDepth ? out[0][i] + out[1][i] : out[1][i] / (out[0][i] + out[1][i]);
        const auto [lowest, highest] = std::minmax_element(swing.begin(), swing.end());
        EXPECT_NEAR(*lowest, c.lowest, 1e-3f) << "parameter " << c.index << " at " << c.amount;
        EXPECT_NEAR(*highest, c.highest, 1e-3f) << "parameter " << c.index << " at " << c.amount;
    }
}

// Each waveform through each oscillator, over one 10 Hz cycle (4410 samples, 4000 table
// entries) at full depth: where the cycle starts, where it peaks and where it bottoms
// out (first occurrence, as a share of the cycle), and how much of it sits at the top.
TEST(Pulsar, FiveWaveformsThroughBothOscillators) {
    const struct {
        float value;
        const char* name;
        float start, peakAt, troughAt, shareAtTop;
    } waves[] = {
        {0.0f, "SINE", 0.5f, 0.25f, 0.75f, 0.0f},  {0.2f, "SQUARE", 1.0f, 0.0f, 0.5f, 0.45f},
        {0.4f, "TRI", 0.0f, 0.5f, 0.0f, 0.0f},     {0.6f, "SAW UP", 0.0f, 0.95f, 0.0f, 0.0f},
        {1.0f, "SAW DN", 1.0f, 0.0f, 0.95f, 0.0f},
    };
    constexpr int kCycle = 4410;
    for (bool tremolo : {true, false})
        for (const auto& w : waves) {
            // The oscillator under test at full depth and 10 Hz, the other one still.
            auto plugin =
                tremolo
                    ? startPulsar(with(
                          kUnity,
                          {{kPanWidth, 0.0f}, {kDepth, 1.0f}, {kSpeed, 1.0f}, {kWave, w.value}}))
                    : startPulsar(with(kUnity, {{kDepth, 0.0f},
                                                {kPanWidth, 1.0f},
                                                {kPanSpeed, 1.0f},
                                                {kPanWave, w.value}}));
            EXPECT_EQ(plugin->parameterDisplay(tremolo ? kWave : kPanWave), w.name);
            const Stereo out = renderOnes(*plugin, kCycle);
            // Left is 0.5 x t with the position still; right is the position p.
            std::vector<float> curve(kCycle);
            for (int i = 0; i < kCycle; ++i)
                curve[i] = tremolo ? 2.0f * out[0][i] : out[1][i];
            const std::string what = std::string(w.name) + (tremolo ? " tremolo" : " pan");
            const auto peak = std::max_element(curve.begin(), curve.end());
            const auto trough = std::min_element(curve.begin(), curve.end());
            EXPECT_NEAR(curve[0], w.start, 1e-6f) << what;
            EXPECT_NEAR(*peak, 1.0f, 1e-6f) << what;
            EXPECT_NEAR(*trough, 0.0f, 1e-6f) << what;
            EXPECT_NEAR(double(peak - curve.begin()) / kCycle, w.peakAt, 0.01) << what;
            EXPECT_NEAR(double(trough - curve.begin()) / kCycle, w.troughAt, 0.01) << what;
            const auto atTop =
                std::count_if(curve.begin(), curve.end(), [](float v) { return v >= 0.999f; });
            EXPECT_NEAR(double(atTop) / kCycle, w.shareAtTop, 0.03) << what;
        }
}

// The square's rising edge ends at full gain once a cycle: its spacing is the period,
// 4000 table steps of 44100 / (4000 x speed) samples.
TEST(Pulsar, SpeedLawSetsTheCycleLength) {
    const struct {
        float value;
        double hertz;
    } cases[] = {{1.0f, 10.0}, {0.75f, 5.5}, {0.5f, 1.0}, {0.25f, 0.505}};
    for (const auto& c : cases) {
        auto plugin = startPulsar(
            with(kUnity, {{kPanWidth, 0.0f}, {kDepth, 1.0f}, {kWave, 0.2f}, {kSpeed, c.value}}));
        const int frames = static_cast<int>(3.2 * 44100.0 / c.hertz);
        const Stereo out = renderOnes(*plugin, frames, 4096);
        std::vector<int> tops;
        for (int i = 1; i < frames; ++i)
            if (out[0][i] == 0.5f && out[0][i - 1] < 0.5f) tops.push_back(i);
        ASSERT_GE(tops.size(), 2u) << c.value;
        for (std::size_t k = 1; k < tops.size(); ++k)
            EXPECT_NEAR(tops[k] - tops[k - 1], 44100.0 / c.hertz, 1.5) << "speed " << c.value;
    }
}

// Speed, Depth and Wave changes take effect at the oscillator's current table entry:
// the curve goes on from there instead of starting its cycle again.
TEST(Pulsar, ChangesWhileRunningTakeEffectWhereTheOscillatorStands) {
    // 3000 samples of a full-depth sine at 1 Hz end at entry 272 of 4000, where the
    // sine stands at 0.707, a triangle at 0.136 and a square at its top.
    const struct {
        int index;
        float value;
        float next; // gain at the first sample after the change; < 0: the one before
    } cases[] = {
        {kSpeed, 1.0f, -1.0f}, {kSpeed, 0.0f, -1.0f}, {kDepth, 0.5f, 0.854f},
        {kWave, 0.4f, 0.136f}, {kWave, 0.2f, 1.0f},
    };
    for (const auto& c : cases) {
        auto plugin =
            startPulsar(with(kUnity, {{kPanWidth, 0.0f}, {kDepth, 1.0f}, {kSpeed, 0.5f}}));
        const float before = 2.0f * renderOnes(*plugin, 3000)[0][2999];
        ASSERT_NEAR(before, 0.707f, 0.002f);
        plugin->setParameter(c.index, c.value);
        const float after = 2.0f * renderOnes(*plugin, 1)[0][0];
        EXPECT_NEAR(after, c.next < 0.0f ? before : c.next, 0.002f) << "parameter " << c.index;
    }
}

TEST(Pulsar, ProcessAddsIntoTheOutputs) {
    auto plain = startPulsar();
    auto holding = startPulsar();
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 5000, 44100.0f, 6);
    const Stereo alone = render(*plain, input);
    const Stereo added = render(*holding, input, 333, -0.25f);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 5000; ++i)
            ASSERT_NEAR(added[c][i], -0.25f + alone[c][i], 1e-6f) << c << ", " << i;
}

TEST(Pulsar, ResultDoesNotDependOnTheBlockSize) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Saw, 20000, 44100.0f);
    auto reference = startPulsar();
    const Stereo whole = render(*reference, input, 20000);
    for (int block : {1, 13, 512, 4096}) {
        auto plugin = startPulsar();
        float* none[] = {nullptr, nullptr};
        plugin->process(none, none, 0);
        plugin->process(none, none, -1);
        EXPECT_EQ(render(*plugin, input, block), whole) << "blocks of " << block;
    }
}

TEST(Pulsar, LevelMeterStaysAtZero) {
    auto plugin = startPulsar();
    render(*plugin, fxtest::makeSignal(fxtest::Signal::Noise, 20000, 44100.0f));
    EXPECT_EQ(plugin->vu(), 0);
}

TEST(Pulsar, ProgramsKeepTheirOwnValuesAndNames) {
    auto plugin = startPulsar();
    plugin->setProgram(5);
    plugin->setParameter(kWave, 0.6f);
    plugin->setParameter(kVolume, 0.5f);
    plugin->setProgramName("Slow wobble");
    plugin->setProgram(0);
    EXPECT_EQ(plugin->parameterDisplay(kWave), "SINE");
    EXPECT_EQ(plugin->parameterDisplay(kVolume), "+6.0 dB");
    EXPECT_EQ(plugin->programName(), "Default");
    plugin->setProgram(5);
    EXPECT_EQ(plugin->program(), 5);
    EXPECT_EQ(plugin->parameterDisplay(kWave), "SAW UP");
    EXPECT_EQ(plugin->parameter(kWave), 0.6f);
    EXPECT_EQ(plugin->parameterDisplay(kVolume), "+0.0 dB");
    EXPECT_EQ(plugin->programName(), "Slow wobble");

    // A program change replays the values into the signal path too.
    plugin->setParameter(kDepth, 0.0f);
    plugin->setParameter(kPanWidth, 0.0f);
    const Stereo out = renderOnes(*plugin, 10);
    EXPECT_FLOAT_EQ(out[0][9], 0.5f);
    EXPECT_FLOAT_EQ(out[1][9], 0.5f);
}

TEST(Pulsar, LongProgramNamesKeepTheirFirst34Characters) {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const struct {
        std::size_t length, kept;
    } cases[] = {{0, 0}, {34, 34}, {35, 35}, {36, 34}, {40, 34}, {60, 34}};
    auto plugin = startPulsar();
    for (const auto& c : cases) {
        plugin->setProgramName(alphabet.substr(0, c.length));
        EXPECT_EQ(plugin->programName(), alphabet.substr(0, c.kept)) << c.length << " characters";
    }
}

TEST(Pulsar, HostileValuesKeepTheOutputBounded) {
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, -1e30f, 2.0f, 1e-45f};
    const auto input = fxtest::makeSignal(fxtest::Signal::Square, 5000, 44100.0f);
    auto plugin = startPulsar();
    for (float value : hostile) {
        for (int i = 0; i < 8; ++i)
            plugin->setParameter(i, value);
        for (int i = 0; i < 8; ++i)
            EXPECT_LE(plugin->parameterDisplay(i).size(), 8u);
        for (const auto& channel : render(*plugin, input, 1000))
            for (float sample : channel)
                ASSERT_TRUE(std::isfinite(sample) && std::fabs(sample) <= 2.0f)
                    << sample << " with " << value;
    }
}

} // namespace
