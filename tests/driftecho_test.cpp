// The drifting echo, loaded from build/plugins and driven through our host library.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

using fxhost::AudioBuffers;
using fxhost::Plugin;

enum Param { kTempo, kMeasure, kDelay, kFeedback, kPan, kModSpeed, kModWidth, kVolume };
constexpr int kDefaultDelay = 16537; // 3 x 22050 / 4 samples at 44100 Hz

class DriftEcho : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = fxtest::loadPlugin("driftecho");
        plugin->open();
        plugin->resume();
    }

    // Runs `frames` samples of `input` through `process` (outputs cleared first), in
    // blocks of `block`, and returns the two outputs.
    std::vector<std::vector<float>> run(const std::vector<float>& input, int block = 512) {
        return fxtest::renderMono(*plugin, input, block);
    }

    static std::vector<float> impulse(int frames) {
        std::vector<float> x(static_cast<std::size_t>(frames), 0.0f);
        x[0] = 1.0f;
        return x;
    }

    // Index of the first sample whose magnitude exceeds a small floor, or -1.
    static int firstSound(const std::vector<float>& x, int from = 0) {
        for (int i = from; i < static_cast<int>(x.size()); ++i)
            if (std::fabs(x[i]) > 1e-9f) return i;
        return -1;
    }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(DriftEcho, DeclaresItsConfiguration) {
    EXPECT_EQ(plugin->uniqueId(), 0x514A5832);
    EXPECT_EQ(plugin->numPrograms(), 16);
    EXPECT_EQ(plugin->numParams(), 8);
    EXPECT_EQ(plugin->numInputs(), 1);
    EXPECT_EQ(plugin->numOutputs(), 2);
    const std::int32_t replacing = sizeof(void*) == 8 ? flagCanReplacing : 0;
    EXPECT_EQ(plugin->flags(), flagHasVu | replacing);
    EXPECT_EQ(plugin->programName(), "Default");
}

TEST_F(DriftEcho, NamesLabelsAndDefaultDisplays) {
    const struct {
        const char *name, *label, *display;
    } expected[] = {
        {"Tempo     ", "bpm     ", "120"},  {"Measure   ", "beat    ", "1/4"},
        {"Delay     ", "measures", "2"},    {"Feedback  ", "amount  ", "30%"},
        {"Pan       ", "L-R     ", "0"},    {"Mod Speed ", "Hz      ", "0.51"},
        {"Mod Width ", "amount  ", "80%"},  {"Volume    ", "level   ", "75%"},
    };
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name);
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label);
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << "parameter " << i;
    }
}

TEST_F(DriftEcho, DisplaysAtTheEndsOfTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kDelay, 0.0f, "0"},      {kDelay, 1.0f, "31"},     {kTempo, 0.0f, "30"},
        {kTempo, 1.0f, "250"},    {kMeasure, 0.0f, "1/16"}, {kMeasure, 1.0f, "1/1"},
        {kMeasure, 0.5f, "1/9"},  {kPan, 0.0f, "-50"},      {kPan, 1.0f, "50"},
        {kFeedback, 1.0f, "100%"}, {kModSpeed, 0.0f, "0.01"}, {kModSpeed, 0.5f, "1.00"},
        {kModSpeed, 1.0f, "20.00"}, {kModWidth, 0.0f, "0%"},  {kVolume, 1.0f, "100%"},
        // Values a host should not send are shown as the nearest end of the range.
        {kTempo, 7.0f, "250"},    {kTempo, NAN, "30"},      {kMeasure, -3.0f, "1/16"},
        {kFeedback, 1e30f, "100%"}, {kModSpeed, -INFINITY, "0.01"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST_F(DriftEcho, ValuesReadBackExactlyAsSet) {
    for (float value : {0.123456789f, 0.0f, 1.0f, -2.0f, 3.5f}) {
        for (int i = 0; i < 8; ++i) plugin->setParameter(i, value);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(plugin->parameter(i), value);
    }
    plugin->setParameter(kTempo, NAN);
    EXPECT_TRUE(std::isnan(plugin->parameter(kTempo)));
}

TEST_F(DriftEcho, IndicesOutsideTheTableChangeAndShowNothing) {
    for (int index : {-1, 8, 1000}) {
        plugin->setParameter(index, 0.7f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
    EXPECT_EQ(plugin->parameterDisplay(kTempo), "120");
}

TEST_F(DriftEcho, FirstEchoComesAfterTheComputedDelayOnBothOutputs) {
    plugin->setParameter(kModWidth, 0.0f); // m = 0.5 throughout
    const auto out = run(impulse(kDefaultDelay + 100));
    EXPECT_EQ(firstSound(out[0]), kDefaultDelay);
    EXPECT_EQ(firstSound(out[1]), kDefaultDelay);
    // Centre pan, volume 0.75: each output gets 0.75 x 0.5 of the echo.
    EXPECT_FLOAT_EQ(out[0][kDefaultDelay], 0.375f);
    EXPECT_FLOAT_EQ(out[1][kDefaultDelay], 0.375f);
}

TEST_F(DriftEcho, RepeatsDecayByTheFeedbackOncePerPass) {
    plugin->setParameter(kModWidth, 0.0f);
    plugin->setParameter(kPan, 0.0f); // all left
    const auto out = run(impulse(3 * kDefaultDelay + 10), 1000);
    // Pan 0 gives the left output the whole volume, 0.75, times 1 - m = 0.5.
    EXPECT_FLOAT_EQ(out[0][kDefaultDelay], 0.375f);
    EXPECT_FLOAT_EQ(out[0][2 * kDefaultDelay], 0.375f * 0.3f);
    EXPECT_FLOAT_EQ(out[0][3 * kDefaultDelay], 0.375f * 0.3f * 0.3f);
    EXPECT_EQ(firstSound(out[1]), -1) << "pan 0 sends nothing right";
}

TEST_F(DriftEcho, FeedbackZeroGivesOneEchoAndOneRepeatsForever) {
    plugin->setParameter(kFeedback, 0.0f);
    auto out = run(impulse(2 * kDefaultDelay + 10));
    EXPECT_EQ(firstSound(out[0], kDefaultDelay + 1), -1);

    plugin->suspend();
    plugin->setParameter(kFeedback, 1.0f);
    plugin->setParameter(kModWidth, 0.0f);
    out = run(impulse(5 * kDefaultDelay + 10));
    for (int pass = 1; pass <= 5; ++pass) EXPECT_FLOAT_EQ(out[0][pass * kDefaultDelay], 0.375f);
}

TEST_F(DriftEcho, ModulatorMovesTheEchoBetweenTheOutputs) {
    // An echo at every sample: a constant input at feedback 0.
    plugin->setParameter(kFeedback, 0.0f);
    plugin->setParameter(kModSpeed, 1.0f);  // 20 Hz asked, 11.025 Hz produced
    plugin->setParameter(kModWidth, 1.0f);
    const std::vector<float> input(kDefaultDelay + 8000, 1.0f);
    const auto out = run(input);
    float leftMin = 1, leftMax = 0;
    for (int i = kDefaultDelay; i < static_cast<int>(input.size()); ++i) {
        // Left gets gain (1 - m), right gets m: together always the echo's gain.
        ASSERT_NEAR(out[0][i] + out[1][i], 0.75f, 1e-6f) << i;
        leftMin = std::min(leftMin, out[0][i]);
        leftMax = std::max(leftMax, out[0][i]);
    }
    EXPECT_NEAR(leftMin, 0.0f, 1e-6f);
    EXPECT_NEAR(leftMax, 0.75f, 1e-6f);
}

TEST_F(DriftEcho, PanSendsToOneSideOnly) {
    plugin->setParameter(kModWidth, 0.0f);
    plugin->setParameter(kPan, 1.0f);
    const auto out = run(impulse(kDefaultDelay + 10));
    EXPECT_EQ(firstSound(out[0]), -1);
    EXPECT_FLOAT_EQ(out[1][kDefaultDelay], 0.375f);
}

TEST_F(DriftEcho, LongestSettingsAreHeldJustBelowTheRingLength) {
    plugin->setParameter(kModWidth, 0.0f);
    plugin->setParameter(kTempo, 0.0f);
    plugin->setParameter(kMeasure, 1.0f);
    plugin->setParameter(kDelay, 0.05f); // asks for 2 x 88200 = 176400 samples
    const auto out = run(impulse(176500), 4096);
    EXPECT_EQ(firstSound(out[0]), 176399);
}

TEST_F(DriftEcho, MeasureOneHalfDividesTheBeatByNine) {
    plugin->setParameter(kModWidth, 0.0f);
    plugin->setParameter(kMeasure, 0.5f);
    const auto out = run(impulse(10000));
    EXPECT_EQ(firstSound(out[0]), 3 * 22050 / 9);
}

TEST_F(DriftEcho, NewSampleRateTakesEffectAtTheNextDelayChange) {
    plugin->setParameter(kModWidth, 0.0f);
    plugin->setSampleRate(48000.0f);
    auto out = run(impulse(kDefaultDelay + 10));
    EXPECT_EQ(firstSound(out[0]), kDefaultDelay);
    plugin->suspend();
    plugin->setProgram(0);
    plugin->setParameter(kModWidth, 0.0f);
    out = run(impulse(18010));
    EXPECT_EQ(firstSound(out[0]), 3 * 24000 / 4);
}

TEST_F(DriftEcho, SuspendSilencesPendingEchoesAndKeepsTheDelay) {
    plugin->setParameter(kModWidth, 0.0f);
    run(impulse(1000));
    plugin->suspend();
    auto out = run(std::vector<float>(kDefaultDelay + 10, 0.0f));
    EXPECT_EQ(firstSound(out[0]), -1);
    plugin->resume();
    out = run(impulse(kDefaultDelay + 10));
    EXPECT_EQ(firstSound(out[0]), kDefaultDelay);
}

TEST_F(DriftEcho, LevelMeterStaysAtZero) {
    run(fxtest::makeSignal(fxtest::Signal::Noise, 40000, 44100.0f));
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(DriftEcho, ProcessAddsIntoTheOutputs) {
    plugin->setParameter(kModWidth, 0.0f);
    std::vector<float> input = impulse(kDefaultDelay + 10);
    std::vector<float> left(input.size(), 0.25f), right(input.size(), -0.5f);
    float* ins[] = {input.data()};
    float* outs[] = {left.data(), right.data()};
    plugin->process(ins, outs, static_cast<int>(input.size()));
    EXPECT_EQ(left[5], 0.25f);
    EXPECT_FLOAT_EQ(left[kDefaultDelay], 0.25f + 0.375f);
    EXPECT_FLOAT_EQ(right[kDefaultDelay], -0.5f + 0.375f);
}

TEST_F(DriftEcho, ProgramsKeepTheirOwnValuesAndNames) {
    plugin->setProgram(3);
    plugin->setParameter(kTempo, 1.0f);
    plugin->setProgramName("Fast");
    plugin->setProgram(0);
    EXPECT_EQ(plugin->parameterDisplay(kTempo), "120");
    EXPECT_EQ(plugin->programName(), "Default");
    plugin->setProgram(3);
    EXPECT_EQ(plugin->program(), 3);
    EXPECT_EQ(plugin->parameterDisplay(kTempo), "250");
    EXPECT_EQ(plugin->programName(), "Fast");
}

TEST_F(DriftEcho, ProgramNamesAreCutToTheField) {
    plugin->setProgramName(std::string(23, 'a'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'a'));
    plugin->setProgramName(std::string(300, 'b'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'b'));
    plugin->setProgramName("");
    EXPECT_EQ(plugin->programName(), "");
}

TEST_F(DriftEcho, HostileValuesKeepTheEchoInsideTheRing) {
    // Each value is set on every parameter, then a block is processed: nothing may
    // crash or read outside the ring, and the output stays finite.
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, -1e30f, 2.0f, 1e-45f};
    const float rates[] = {44100.0f, 0.0f, -44100.0f, NAN, 1e30f, 1.0f, 192000.0f};
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f);
    for (float rate : rates) {
        plugin->setSampleRate(rate);
        for (float value : hostile) {
            for (int i = 0; i < 8; ++i) plugin->setParameter(i, value);
            for (int i = 0; i < 8; ++i) EXPECT_LE(plugin->parameterDisplay(i).size(), 8u);
            for (const auto& channel : run(input, 4096))
                for (float sample : channel) ASSERT_TRUE(std::isfinite(sample)) << value << " at " << rate;
        }
    }
}

TEST_F(DriftEcho, DecayingTailReachesSilenceWithoutSubnormals) {
    plugin->setParameter(kFeedback, 0.9f);
    auto burst = fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f);
    run(burst);
    const std::vector<float> silence(44100, 0.0f);
    bool silent = false;
    for (int second = 0; second < 400 && !silent; ++second) {
        silent = true;
        for (const auto& channel : run(silence, 512))
            for (float sample : channel) {
                ASSERT_NE(std::fpclassify(sample), FP_SUBNORMAL) << "after " << second << " s";
                silent = silent && sample == 0.0f;
            }
    }
    EXPECT_TRUE(silent) << "the tail never reached silence";
}

} // namespace

namespace {

// Hosts move parameters from their main thread while the audio thread processes. A
// delay change that lands in the middle of a block must still hold afterwards. (Not in
// the ThreadSanitizer run: the plain-field race itself is accepted.)
TEST(DriftEchoConcurrentStress, DelayChangeMadeDuringABlockIsKept) {
    auto plugin = fxtest::loadPlugin("driftecho");
    plugin->resume();
    plugin->setParameter(kModWidth, 0.0f);
    std::atomic<bool> stop{false};
    std::atomic<int> blocks{0};
    std::vector<float> input(4096, 0.0f), left(4096), right(4096);
    std::thread audio([&] {
        float* ins[] = {input.data()};
        float* outs[] = {left.data(), right.data()};
        while (!stop.load()) {
            plugin->process(ins, outs, 4096);
            ++blocks;
        }
    });
    while (blocks.load() < 10) std::this_thread::yield();
    // The audio thread is inside a block nearly all the time, so these land mid-block.
    for (int i = 0; i < 2000; ++i) plugin->setParameter(kMeasure, i % 2 ? 0.8f : 0.5f);
    plugin->setParameter(kMeasure, 1.0f); // whole beats: 3 x 22050 samples
    const int setAt = blocks.load();
    while (blocks.load() < setAt + 3) std::this_thread::yield();
    stop = true;
    audio.join();

    std::vector<float> impulse(66200, 0.0f), outL(impulse.size(), 0.0f), outR(impulse.size(), 0.0f);
    impulse[0] = 1.0f;
    plugin->suspend();
    float* ins[] = {impulse.data()};
    float* outs[] = {outL.data(), outR.data()};
    plugin->process(ins, outs, static_cast<int>(impulse.size()));
    int first = -1;
    for (int i = 0; i < static_cast<int>(outL.size()) && first < 0; ++i)
        if (outL[i] != 0.0f) first = i;
    EXPECT_EQ(first, 3 * 22050);
}

} // namespace
