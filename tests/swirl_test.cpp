// The swept short-delay effect, loaded from build/plugins and driven through our host
// library.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param { kDelay, kEffect, kFeedback, kSweepTime, kRange, kSweep, kPan };
constexpr int kNumParams = 7;
constexpr float kOff = 0.0f, kTriangle = 0.5f, kCosine = 1.0f; // SWEEP values
constexpr double kSamplesPerPosition = 333.0;

class Swirl : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = fxtest::loadPlugin("swirl");
        plugin->open();
        plugin->resume();
    }

    // Runs `input` through one path into cleared outputs, in blocks of `block`.
    std::vector<std::vector<float>> run(const std::vector<float>& input, bool replacing,
                                        int block = 512) {
        return fxtest::renderMono(*plugin, input, block,
                                  replacing ? fxtest::Path::Replacing : fxtest::Path::Accumulating);
    }

    static std::vector<float> impulse(int frames) {
        std::vector<float> x(static_cast<std::size_t>(frames), 0.0f);
        x[0] = 1.0f;
        return x;
    }

    // The delay, in samples, at which each sample read the ring. With no feedback and the
    // effect at full level, each output is the input plus the input that many samples
    // back; the input is a ramp (restarting every 4096 samples), so the difference is
    // the delay, fractional reads included. NaN for the first `settle` samples of each
    // ramp, where a read may reach back past its start.
    std::vector<double> delays(int frames, bool replacing, int settle = 340) {
        plugin->setParameter(kFeedback, 0.0f);
        plugin->setParameter(kEffect, 1.0f);
        std::vector<float> ramp(static_cast<std::size_t>(frames));
        for (int n = 0; n < frames; ++n)
            ramp[n] = static_cast<float>(512 + n % 4096);
        const auto out = run(ramp, replacing);
        std::vector<double> result(ramp.size());
        for (int n = 0; n < frames; ++n)
            result[n] = n % 4096 < settle ? NAN : 2.0 * ramp[n] - out[0][n];
        return result;
    }

    // A fast, wide sweep: from 3.33 to 69.93 samples of delay (Delay 0, Range 1) at
    // the shortest sweep time.
    void setFastWideSweep(float mode) {
        plugin->setParameter(kSweepTime, 0.0f);
        plugin->setParameter(kRange, 1.0f);
        plugin->setParameter(kSweep, mode);
        plugin->setParameter(kDelay, 0.0f);
    }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(Swirl, DeclaresItsConfiguration) {
    EXPECT_EQ(plugin->uniqueId(), 0x514A5831);
    EXPECT_EQ(plugin->numPrograms(), 16);
    EXPECT_EQ(plugin->numParams(), kNumParams);
    EXPECT_EQ(plugin->numInputs(), 1);
    EXPECT_EQ(plugin->numOutputs(), 2);
    EXPECT_EQ(plugin->flags(), flagHasVu | flagCanReplacing);
    EXPECT_EQ(plugin->programName(), "Vortex Engine");
}

TEST_F(Swirl, NamesLabelsAndDefaultDisplays) {
    const struct {
        const char *name, *label, *display;
        float value;
    } expected[kNumParams] = {
        {"Delay", " ms                ", " 0.15 ", 0.1f},
        {"Effect      ", "      ", "  50.0%", 0.5f},
        {"Feedback", "      ", " 25.0 %", 0.25f},
        {"SweepTime", "ms                    ", "4000", 0.2f},
        {"Range    ", " ms                ", "0.30   ", 0.2f},
        {"SWEEP", "    ", "Sin      ", 0.99f},
        {"      PAN   ", "l<------------>r", "---------I---------", 0.5f},
    };
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name);
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label);
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << "parameter " << i;
        EXPECT_EQ(plugin->parameter(i), expected[i].value) << "parameter " << i;
    }
}

TEST_F(Swirl, ReadBacksAndDisplaysFollowTheLimitsAndModes) {
    const struct {
        int index;
        float value;
        float readBack;
        const char* display;
    } cases[] = {
        {kEffect, 0.0f, 0.05f, "  5.0%"},
        {kEffect, 1.0f, 1.0f, "  100.0%"},
        {kSweepTime, 0.0f, 0.015f, "299"}, // 20000 x 0.015f lies just below 300
        {kSweepTime, 1.0f, 1.0f, "20000"},
        {kSweep, 0.0f, 0.0f, "OFF      "},
        {kSweep, 0.34f, 0.0f, "OFF      "},
        {kSweep, 0.5f, 0.5263158f, "Triangle "},
        {kSweep, 0.68f, 0.5263158f, "Triangle "},
        {kSweep, 0.7f, 0.99f, "Sin      "},
        {kSweep, 1.0f, 0.99f, "Sin      "},
        {kPan, 0.0f, 0.0f, "I------------------"},
        {kPan, 1.0f, 1.0f, "------------------I"},
        {kPan, 0.25f, 0.25f, "----I--------------"},
        // Delay and Range read back as set; the display shows the limited position.
        {kDelay, 0.0f, 0.0f, " 0.08 "},
        {kDelay, 1.0f, 1.0f, " 1.52 "},
        {kRange, 0.0f, 0.0f, "0.00   "},
        {kRange, 1.0f, 1.0f, "1.52   "},
        {kFeedback, 1.0f, 1.0f, " 100.0 %"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameter(c.index), c.readBack)
            << "parameter " << c.index << " = " << c.value;
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST_F(Swirl, TextsStayInsideTheirFieldsForAnyValue) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        // The pan bar keeps its 19 characters and one marker, at the nearest end.
        {kPan, 2.0f, "------------------I"},
        {kPan, -1.0f, "I------------------"},
        {kPan, NAN, "I------------------"},
        {kPan, 1e30f, "------------------I"},
        // Mode numbers outside 0..2 are shown as numbers, cut to the field.
        {kSweep, 1.5f, "i=4 f=1.500000"},
        {kSweep, -1.0f, "i=-2 f=-1.000000"},
        {kSweep, 1e30f, "i=2147483647 f=1000"},
        {kSweep, -INFINITY, "i=-2147483648 f=-in"},
        {kSweep, NAN, "OFF      "},
        {kFeedback, -5.0f, " 0.0 %"},
        {kEffect, 1e30f, "  100.0%"},
        {kSweepTime, INFINITY, "20000"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
    plugin->setParameter(kSweep, 2.0f);
    EXPECT_FLOAT_EQ(plugin->parameter(kSweep), 0.99f);
    plugin->setParameter(kSweep, -1.0f);
    EXPECT_FLOAT_EQ(plugin->parameter(kSweep), -2.0f / 1.9f);
}

TEST_F(Swirl, IndicesOutsideTheTableChangeAndShowNothing) {
    for (int index : {-1, kNumParams, 1000}) {
        plugin->setParameter(index, 0.7f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
}

TEST_F(Swirl, EchoIsInterpolatedInProcessAndWholeInProcessReplacing) {
    plugin->setParameter(kSweep, kOff);
    plugin->setParameter(kFeedback, 0.0f);
    plugin->setParameter(kEffect, 1.0f);
    // 333 x 0.02 = 6.66 samples: the dry impulse, then the echo.
    auto out = run(impulse(16), false);
    EXPECT_EQ(out[0][0], 1.0f);
    EXPECT_NEAR(out[0][6], 0.34f, 1e-5f);
    EXPECT_NEAR(out[0][7], 0.66f, 1e-5f);
    for (int n : {1, 5, 8, 15})
        EXPECT_EQ(out[0][n], 0.0f) << n;
    EXPECT_EQ(out[0], out[1]) << "centre pan: both outputs at full level";

    plugin->suspend();
    out = run(impulse(16), true);
    EXPECT_EQ(out[0][0], 1.0f);
    EXPECT_EQ(out[0][6], 1.0f);
    for (int n : {1, 5, 7, 15})
        EXPECT_EQ(out[0][n], 0.0f) << n;
}

TEST_F(Swirl, FeedbackAndEffectLevelScaleTheRepeats) {
    plugin->setParameter(kSweep, kOff);
    plugin->setParameter(kFeedback, 0.5f);
    plugin->setParameter(kEffect, 0.0f); // held at 0.05
    const auto out = run(impulse(32), true);
    EXPECT_EQ(out[0][0], 1.0f);
    EXPECT_FLOAT_EQ(out[0][6], 0.05f);
    EXPECT_FLOAT_EQ(out[0][12], 0.05f * 0.5f);
    EXPECT_FLOAT_EQ(out[0][18], 0.05f * 0.25f);
}

TEST_F(Swirl, PanActsOnlyInProcess) {
    plugin->setParameter(kSweep, kOff);
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 2048, 44100.0f);
    const struct {
        float pan, left, right;
    } cases[] = {{0.0f, 1.0f, 0.0f}, {0.25f, 1.0f, 0.5f}, {0.5f, 1.0f, 1.0f}, {1.0f, 0.0f, 1.0f}};
    plugin->setParameter(kPan, 0.5f);
    const auto centre = run(input, false);
    for (const auto& c : cases) {
        plugin->suspend();
        plugin->setParameter(kPan, c.pan);
        const auto out = run(input, false);
        for (int n = 0; n < 2048; ++n) {
            ASSERT_FLOAT_EQ(out[0][n], c.left * centre[0][n]) << "pan " << c.pan << " at " << n;
            ASSERT_FLOAT_EQ(out[1][n], c.right * centre[0][n]) << "pan " << c.pan << " at " << n;
        }
        plugin->suspend();
        const auto replaced = run(input, true);
        ASSERT_EQ(replaced[0], replaced[1]) << "pan " << c.pan;
    }
}

TEST_F(Swirl, HeldDelayIsConstantAcrossTheEndOfTheRing) {
    plugin->setParameter(kSweep, kOff);
    for (bool replacing : {false, true}) {
        plugin->suspend();
        const auto d = delays(50000, replacing); // the write index wraps at 44100
        for (int n = 0; n < 50000; ++n) {
            if (!std::isnan(d[n])) {
                ASSERT_NEAR(d[n], replacing ? 6.0 : 6.66, 1e-3) << n;
            }
        }
    }
}

TEST_F(Swirl, SweepWaitsOneHundredSamplesThenMovesEverySecondSample) {
    setFastWideSweep(kTriangle);
    const auto d = delays(400, false, 8);
    for (int n = 8; n < 100; ++n)
        ASSERT_NEAR(d[n], 3.33, 1e-3) << n;
    // One triangle step: 333 x 0.2 x 2.267e-6 / 0.015 samples of delay.
    const double step = kSamplesPerPosition * 0.2 * 2.267e-6 / 0.015;
    for (int n = 100; n < 400; ++n)
        ASSERT_NEAR(d[n] - d[n - 1], n % 2 == 0 ? step : 0.0, 1e-3) << n;
}

// The index of the largest delay.
int peakOf(const std::vector<double>& d) {
    int peak = -1;
    for (int n = 0; n < static_cast<int>(d.size()); ++n)
        if (!std::isnan(d[n]) && (peak < 0 || d[n] > d[peak])) peak = n;
    return peak;
}

TEST_F(Swirl, TriangleRisesAndFallsInTwentyTimesTheSweepTime) {
    setFastWideSweep(kTriangle);
    const auto d = delays(30000, false);
    // 0.015 / 2.267e-6 updates from bottom to top, one every second sample after the
    // first hundred: 20 x 0.015 s, the SweepTime display's 299 ms.
    const double updatesUp = 0.015 / 2.267e-6;
    const int peak = peakOf(d);
    EXPECT_NEAR(peak, 100 + 2 * updatesUp, 10);
    EXPECT_NEAR(d[peak], kSamplesPerPosition * 0.21, 0.02);
    EXPECT_NEAR(d[static_cast<int>(100 + 4 * updatesUp)], 3.33, 0.05) << "back at the bottom";

    // The whole-sample path steps through whole delays up to the same top.
    plugin->setParameter(kDelay, 0.0f);
    const auto whole = delays(30000, true);
    for (double delay : whole) {
        if (!std::isnan(delay)) {
            ASSERT_EQ(delay, std::floor(delay));
        }
    }
    EXPECT_EQ(whole[peakOf(whole)], 69.0);
}

TEST_F(Swirl, RaisedCosineRisesAndFallsOncePerPassOfTheTable) {
    setFastWideSweep(kCosine);
    const auto d = delays(40000, false);
    // One update, every second sample after the first hundred, moves the phase by
    // 0.0005792185 / 0.015 entries; Delay has put it at the bottom position, 0.01.
    const double entriesPerUpdate = 0.0005792185 / 0.015;
    auto sampleAtEntry = [&](double entry) {
        return 100 + 2 * static_cast<int>((entry - 0.01) / entriesPerUpdate);
    };
    EXPECT_NEAR(d[sampleAtEntry(128)], 3.33 + 0.5 * 66.6, 0.05) << "half way up";
    EXPECT_NEAR(d[sampleAtEntry(256)], 69.93, 0.01) << "top";
    EXPECT_NEAR(d[sampleAtEntry(384)], 3.33 + 0.5 * 66.6, 0.05) << "half way down";
    EXPECT_NEAR(d[sampleAtEntry(509)], 3.35, 0.01) << "bottom, where the phase turns";
    // The phase walks back down the table: the same raised cosine, backwards.
    int checked = 0;
    for (double entry : {448.0, 384.0, 320.0, 256.0}) {
        const int n = sampleAtEntry(510) + 2 * static_cast<int>((510 - entry) / entriesPerUpdate);
        if (std::isnan(d.at(n))) continue;
        const double shape = (1.0 - std::cos(entry * 0.0122718)) * 0.5;
        EXPECT_NEAR(d[n], 3.33 + shape * 66.6, 0.1) << "back at entry " << entry;
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

TEST_F(Swirl, DelayRestartsTheSweepRangeAndSweepTimeDoNot) {
    setFastWideSweep(kTriangle);
    auto d = delays(5000, false);
    const double reached = d.back();
    EXPECT_GT(reached, 20.0);
    plugin->setParameter(kRange, 0.9f);
    plugin->setParameter(kSweepTime, 0.01f);
    d = delays(400, false, 100);
    EXPECT_GT(d[100], reached) << "Range and SweepTime leave the position, which goes on";
    EXPECT_LT(d[100], reached + 1.0);
    plugin->setParameter(kDelay, 0.5f); // bottom at 333 x 0.1
    d = delays(400, false, 40);
    EXPECT_NEAR(d[40], 33.3, 0.3);
    plugin->setParameter(kSweep, kOff);
    d = delays(400, false, 40);
    for (int n = 40; n < 400; ++n)
        ASSERT_NEAR(d[n], 33.3, 1e-3) << "parked at rest";
}

TEST_F(Swirl, TriangleChosenMidSweepStaysInsideTheSweep) {
    setFastWideSweep(kCosine);
    delays(8000, false); // the raised cosine has left the position mid-way up
    plugin->setParameter(kSweep, kTriangle);
    const auto d = delays(2000, false, 80);
    for (int n = 400; n < 2000; ++n) {
        ASSERT_LE(d[n], 70.0) << n;
        ASSERT_NEAR(d[n], d[n - 1], 0.011) << "no leap at " << n;
    }
}

TEST_F(Swirl, SuspendEmptiesTheRingAndKeepsTheSweep) {
    plugin->setParameter(kSweep, kOff);
    plugin->setParameter(kEffect, 1.0f);
    run(fxtest::makeSignal(fxtest::Signal::Noise, 1000, 44100.0f), false);
    plugin->suspend();
    const auto out = run(std::vector<float>(300, 0.0f), true);
    for (float sample : out[0])
        ASSERT_EQ(sample, 0.0f);
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(Swirl, ProgramsKeepTheirOwnValuesAndNames) {
    plugin->setProgram(7);
    plugin->setParameter(kSweep, kTriangle);
    plugin->setParameter(kEffect, 0.0f);
    plugin->setProgramName("Slow");
    plugin->setProgram(0);
    EXPECT_EQ(plugin->parameterDisplay(kSweep), "Sin      ");
    EXPECT_EQ(plugin->programName(), "Vortex Engine");
    plugin->setProgram(7);
    EXPECT_EQ(plugin->parameterDisplay(kSweep), "Triangle ");
    EXPECT_EQ(plugin->parameter(kEffect), 0.05f);
    EXPECT_EQ(plugin->programName(), "Slow");
    plugin->setProgramName(std::string(100, 'z'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'z'));
}

TEST_F(Swirl, HostileValuesNeverReadOutsideTheRing) {
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, -1e30f, 2.0f, 1e-45f};
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f);
    for (float value : hostile) {
        for (int i = 0; i < kNumParams; ++i)
            plugin->setParameter(i, value);
        for (int i = 0; i < kNumParams; ++i)
            EXPECT_LE(plugin->parameterDisplay(i).size(), 19u);
        for (bool replacing : {false, true})
            for (const auto& channel : run(input, replacing, 1000))
                for (float sample : channel)
                    ASSERT_TRUE(std::isfinite(sample)) << value;
    }
}

TEST_F(Swirl, DecayingTailReachesSilenceWithoutSubnormals) {
    plugin->setParameter(kFeedback, 0.9f);
    run(fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f), false);
    const std::vector<float> silence(4410, 0.0f);
    bool silent = false;
    for (int tenth = 0; tenth < 100 && !silent; ++tenth) {
        silent = true;
        for (const auto& channel : run(silence, false))
            for (float sample : channel) {
                ASSERT_NE(std::fpclassify(sample), FP_SUBNORMAL) << "after " << tenth << " tenths";
                silent = silent && sample == 0.0f;
            }
    }
    EXPECT_TRUE(silent) << "the tail never reached silence";
}

} // namespace

namespace {

// Hosts move parameters from their main thread while the audio thread processes. A
// Delay change that lands in the middle of a block must still place the sweep at its
// new bottom afterwards. (Not in the ThreadSanitizer run: the plain-field race itself is
// accepted.)
TEST(SwirlConcurrentStress, DelayChangeMadeDuringABlockIsKept) {
    auto plugin = fxtest::loadPlugin("swirl");
    plugin->resume();
    plugin->setParameter(kRange, 0.0f); // the triangle then stands where Delay puts it
    plugin->setParameter(kSweep, kTriangle);
    plugin->setParameter(kFeedback, 0.0f);
    plugin->setParameter(kEffect, 1.0f);
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
    while (blocks.load() < 10)
        std::this_thread::yield();
    // The audio thread is inside a block nearly all the time, so these land mid-block.
    for (int i = 0; i < 2000; ++i)
        plugin->setParameter(kDelay, i % 2 ? 1.0f : 0.0f);
    plugin->setParameter(kDelay, 0.5f); // 333 x 0.1 samples
    const int setAt = blocks.load();
    while (blocks.load() < setAt + 3)
        std::this_thread::yield();
    stop = true;
    audio.join();

    std::vector<float> impulse(64, 0.0f), outL(64, 0.0f), outR(64, 0.0f);
    impulse[0] = 1.0f;
    plugin->suspend();
    float* ins[] = {impulse.data()};
    float* outs[] = {outL.data(), outR.data()};
    plugin->processReplacing(ins, outs, 64);
    EXPECT_EQ(outL[33], 1.0f);
}

} // namespace
