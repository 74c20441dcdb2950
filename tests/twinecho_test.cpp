// The two-tap echo, loaded from build/plugins and driven through our host library.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param {
    kTempo,
    kMeasure,
    kDelay1,
    kDelay2,
    kFeedback1,
    kFeedback2,
    kPan1,
    kPan2,
    kVolume1,
    kVolume2
};
constexpr int kNumParams = 10;
constexpr int kTap1 = 16537; // 3 x 22050 / 4 samples at 44100 Hz
constexpr int kTap2 = 27562; // 5 x 22050 / 4
// The default gains: tap 1 left of centre, tap 2 right of it, volume 0.75 each. The
// nearer output gets the whole volume, the other less.
constexpr double kNearGain = 0.75;
constexpr double kTap1Right = 2.0 * double(15.0f / 99.0f) * 0.75;
constexpr double kTap2Left = (1.0 - 2.0 * (double(85.0f / 99.0f) - 0.5)) * 0.75;

class TwinEcho : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = fxtest::loadPlugin("twinecho");
        plugin->open();
        plugin->resume();
    }

    // Runs `input` through `process` into cleared outputs, in blocks of `block`.
    std::vector<std::vector<float>> run(const std::vector<float>& input, int block = 512) {
        return fxtest::renderMono(*plugin, input, block);
    }

    static std::vector<float> impulse(int frames) {
        std::vector<float> x(static_cast<std::size_t>(frames), 0.0f);
        x[0] = 1.0f;
        return x;
    }

    // The samples that are not zero, by position.
    static std::vector<std::pair<int, float>> sounds(const std::vector<float>& x) {
        std::vector<std::pair<int, float>> found;
        for (int i = 0; i < static_cast<int>(x.size()); ++i)
            if (x[i] != 0.0f) found.emplace_back(i, x[i]);
        return found;
    }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(TwinEcho, DeclaresItsConfiguration) {
    EXPECT_EQ(plugin->uniqueId(), 0x514A5831);
    EXPECT_EQ(plugin->numPrograms(), 16);
    EXPECT_EQ(plugin->numParams(), kNumParams);
    EXPECT_EQ(plugin->numInputs(), 1);
    EXPECT_EQ(plugin->numOutputs(), 2);
    const std::int32_t replacing = sizeof(void*) == 8 ? flagCanReplacing : 0;
    EXPECT_EQ(plugin->flags(), flagHasVu | replacing);
    EXPECT_EQ(plugin->programName(), "Default");
}

TEST_F(TwinEcho, NamesLabelsAndDefaultDisplays) {
    const struct {
        const char *name, *label, *display;
    } expected[kNumParams] = {
        {"Tempo     ", "bpm     ", "120"}, {"Measure   ", "beat    ", "1/4"},
        {"Delay 1   ", "measures", "2"},   {"Delay 2   ", "measures", "4"},
        {"Feedback 1", "amount  ", "30%"}, {"Feedback 2", "amount  ", "30%"},
        {"Pan 1     ", "L-R     ", "-35"}, {"Pan 2     ", "L-R     ", "35"},
        {"Volume 1  ", "amount  ", "75%"}, {"Volume 2  ", "amount  ", "75%"},
    };
    for (int i = 0; i < kNumParams; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name);
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label);
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << "parameter " << i;
    }
}

TEST_F(TwinEcho, DisplaysAtTheEndsOfTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kTempo, 0.0f, "30"},
        {kTempo, 1.0f, "250"},
        {kMeasure, 0.0f, "1/16"},
        {kMeasure, 1.0f, "1/1"},
        {kDelay1, 0.0f, "0"},
        {kDelay2, 1.0f, "31"},
        {kFeedback1, 0.0f, "0%"},
        {kFeedback2, 1.0f, "100%"},
        {kPan1, 0.0f, "-50"},
        {kPan2, 1.0f, "50"},
        {kVolume1, 1.0f, "100%"},
        {kVolume2, 0.0f, "0%"},
        // Values a host should not send are shown as the nearest end of the range.
        {kTempo, NAN, "30"},
        {kDelay1, 1e30f, "31"},
        {kPan2, -INFINITY, "-50"},
        {kVolume1, 2.0f, "100%"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST_F(TwinEcho, ValuesReadBackExactlyAsSetAndOtherIndicesAreIgnored) {
    for (float value : {0.123456789f, 0.0f, 1.0f, -2.0f, 3.5f}) {
        for (int i = 0; i < kNumParams; ++i)
            plugin->setParameter(i, value);
        for (int i = 0; i < kNumParams; ++i)
            EXPECT_EQ(plugin->parameter(i), value);
    }
    for (int index : {-1, kNumParams, 1000}) {
        plugin->setParameter(index, 0.7f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
}

TEST_F(TwinEcho, ImpulseGivesBothTapsAtTheirTimesAndGains) {
    const auto out = run(impulse(2 * kTap2 + 10), 1000);
    // Each tap repeats at its own interval, 0.3 quieter per pass; nothing else sounds.
    const std::vector<std::pair<int, double>> expectedLeft = {{kTap1, kNearGain},
                                                              {kTap2, kTap2Left},
                                                              {2 * kTap1, 0.3 * kNearGain},
                                                              {3 * kTap1, 0.09 * kNearGain},
                                                              {2 * kTap2, 0.3 * kTap2Left}};
    const std::vector<std::pair<int, double>> expectedRight = {{kTap1, kTap1Right},
                                                               {kTap2, kNearGain},
                                                               {2 * kTap1, 0.3 * kTap1Right},
                                                               {3 * kTap1, 0.09 * kTap1Right},
                                                               {2 * kTap2, 0.3 * kNearGain}};
    for (const auto& [channel, expected] :
         {std::pair{0, expectedLeft}, std::pair{1, expectedRight}}) {
        const auto heard = sounds(out[channel]);
        ASSERT_EQ(heard.size(), expected.size()) << "channel " << channel;
        for (std::size_t k = 0; k < heard.size(); ++k) {
            EXPECT_EQ(heard[k].first, expected[k].first) << "channel " << channel;
            EXPECT_NEAR(heard[k].second, expected[k].second, 1e-6) << "at " << heard[k].first;
        }
    }
}

TEST_F(TwinEcho, TapsFeedBackOnlyIntoTheirOwnRing) {
    plugin->setParameter(kFeedback1, 1.0f);
    plugin->setParameter(kFeedback2, 0.0f);
    plugin->setParameter(kPan1, 0.0f); // tap 1 left only
    plugin->setParameter(kPan2, 1.0f); // tap 2 right only
    const auto out = run(impulse(5 * kTap1 + 10), 4096);
    for (int pass = 1; pass <= 5; ++pass)
        EXPECT_FLOAT_EQ(out[0][pass * kTap1], 0.75f);
    const auto right = sounds(out[1]);
    ASSERT_EQ(right.size(), 1u) << "tap 2 sounds once";
    EXPECT_EQ(right[0].first, kTap2);
}

TEST_F(TwinEcho, EqualTapsActAsOneWithTwoRings) {
    plugin->setParameter(kDelay2, plugin->parameter(kDelay1));
    plugin->setParameter(kPan2, plugin->parameter(kPan1));
    const auto out = run(impulse(2 * kTap1 + 10));
    EXPECT_EQ(sounds(out[0]).front().first, kTap1);
    EXPECT_NEAR(out[0][kTap1], 2 * kNearGain, 1e-6);
    EXPECT_NEAR(out[0][2 * kTap1], 2 * 0.3 * kNearGain, 1e-6);
}

TEST_F(TwinEcho, DelaysFollowTempoMeasureAndTheRingLimit) {
    const struct {
        float tempo, measure, delay1, delay2;
        int tap1, tap2;
    } cases[] = {
        // 250 bpm (10584 samples a beat), whole beats, 1 and 32 divisions.
        {1.0f, 1.0f, 0.0f, 1.0f, 10584, 88199},
        // 30 bpm, 1/9 beats: 88200 / 9 = 9800 samples a division.
        {0.0f, 0.5f, 0.0f, 2.5f / 31.0f, 9800, 3 * 9800},
        // Asks for exactly the ring's length: held one sample short of it.
        {0.0f, 1.0f, 0.0f, 0.0f, 88199, 88199},
    };
    for (const auto& c : cases) {
        plugin->suspend();
        plugin->setParameter(kTempo, c.tempo);
        plugin->setParameter(kMeasure, c.measure);
        plugin->setParameter(kDelay1, c.delay1);
        plugin->setParameter(kDelay2, c.delay2);
        plugin->setParameter(kFeedback1, 0.0f);
        plugin->setParameter(kFeedback2, 0.0f);
        plugin->setParameter(kPan1, 0.0f);
        plugin->setParameter(kPan2, 1.0f);
        const auto out = run(impulse(88300), 4096);
        EXPECT_EQ(sounds(out[0]).at(0).first, c.tap1) << "tempo " << c.tempo;
        EXPECT_EQ(sounds(out[1]).at(0).first, c.tap2) << "tempo " << c.tempo;
    }
}

TEST_F(TwinEcho, SuspendSilencesBothTapsAndKeepsTheDelays) {
    run(impulse(1000));
    plugin->suspend();
    auto out = run(std::vector<float>(kTap2 + 10, 0.0f));
    EXPECT_TRUE(sounds(out[0]).empty());
    EXPECT_TRUE(sounds(out[1]).empty());
    plugin->resume();
    out = run(impulse(kTap2 + 10));
    EXPECT_EQ(sounds(out[0]).at(0).first, kTap1);
    EXPECT_EQ(sounds(out[1]).at(1).first, kTap2);
}

TEST_F(TwinEcho, ProcessAddsIntoTheOutputsAndTheMeterStaysAtZero) {
    std::vector<float> input = impulse(kTap1 + 10);
    std::vector<float> left(input.size(), 0.25f), right(input.size(), -0.5f);
    float* ins[] = {input.data()};
    float* outs[] = {left.data(), right.data()};
    plugin->process(ins, outs, static_cast<int>(input.size()));
    EXPECT_EQ(left[0], 0.25f);
    EXPECT_NEAR(left[kTap1], 0.25 + kNearGain, 1e-6);
    EXPECT_NEAR(right[kTap1], -0.5 + kTap1Right, 1e-6);
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(TwinEcho, ProgramsKeepTheirOwnValuesAndNames) {
    plugin->setProgram(5);
    plugin->setParameter(kDelay2, 1.0f);
    plugin->setParameter(kPan1, 0.5f);
    plugin->setProgramName("Wide");
    plugin->setProgram(0);
    EXPECT_EQ(plugin->parameterDisplay(kDelay2), "4");
    EXPECT_EQ(plugin->parameterDisplay(kPan1), "-35");
    EXPECT_EQ(plugin->programName(), "Default");
    plugin->setProgram(5);
    EXPECT_EQ(plugin->parameterDisplay(kDelay2), "31");
    EXPECT_EQ(plugin->parameterDisplay(kPan1), "0");
    EXPECT_EQ(plugin->programName(), "Wide");
    plugin->setProgramName(std::string(300, 'b'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'b'));
}

TEST_F(TwinEcho, HostileValuesKeepTheEchoesInsideTheRings) {
    const float hostile[] = {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, 2.0f, 1e-45f};
    const float rates[] = {44100.0f, 0.0f, -44100.0f, NAN, 1e30f, 1.0f, 192000.0f};
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f);
    for (float rate : rates) {
        plugin->setSampleRate(rate);
        for (float value : hostile) {
            for (int i = 0; i < kNumParams; ++i)
                plugin->setParameter(i, value);
            for (int i = 0; i < kNumParams; ++i)
                EXPECT_LE(plugin->parameterDisplay(i).size(), 8u);
            for (const auto& channel : run(input, 4096))
                for (float sample : channel)
                    ASSERT_TRUE(std::isfinite(sample)) << value << " at " << rate;
        }
    }
}

TEST_F(TwinEcho, DecayingTailReachesSilenceWithoutSubnormals) {
    plugin->setParameter(kFeedback1, 0.9f);
    plugin->setParameter(kFeedback2, 0.9f);
    run(fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f));
    const std::vector<float> silence(44100, 0.0f);
    bool silent = false;
    for (int second = 0; second < 700 && !silent; ++second) {
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
