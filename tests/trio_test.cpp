// The phaser, delay and chorus chain, loaded from build/plugins and driven through our
// host library. Its notices are checked in trio_notices_test.cpp.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param {
    kPhaser,
    kPhaserDepth,
    kPhaserFeedback,
    kPhaserRate,
    kDelay,
    kDelayFeedback,
    kDelayCutoff,
    kDelayLevel,
    kChorus,
    kChorusDelay,
    kChorusDepth,
    kChorusRate,
    kChorusFeedback
};
using Channels = std::vector<std::vector<float>>;

class Trio : public ::testing::Test {
protected:
    void SetUp() override { plugin = start(); }

    static std::unique_ptr<Plugin> start() {
        auto p = fxtest::loadPlugin("trio");
        p->open();
        p->setSampleRate(44100.0f);
        p->resume();
        return p;
    }

    void set(std::initializer_list<std::pair<Param, float>> values) {
        for (auto [index, value] : values)
            plugin->setParameter(index, value);
    }

    // Runs the input through `process` in blocks of 512, adding into `held` (zeros by
    // default), and returns both outputs.
    Channels run(const std::vector<float>& input, Channels held = {}) {
        return fxtest::renderMono(*plugin, input, 512, fxtest::Path::Accumulating, std::move(held));
    }

    static std::vector<float> impulse(int frames) {
        std::vector<float> x(static_cast<std::size_t>(frames), 0.0f);
        x[0] = 1.0f;
        return x;
    }

    // Every sample index where the output is not silent.
    static std::vector<int> soundAt(const std::vector<float>& x) {
        std::vector<int> at;
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x[i] != 0.0f) at.push_back(static_cast<int>(i));
        return at;
    }

    // Only the delay: phaser and chorus off, the echo at full level in a bypassed loop.
    void delayOnly(float delay, float feedback) {
        set({{kPhaser, 0.0f},
             {kChorus, 0.0f},
             {kDelayLevel, 1.0f},
             {kDelayCutoff, 1.0f},
             {kDelayFeedback, feedback},
             {kDelay, delay}});
    }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(Trio, DeclaresItsConfiguration) {
    EXPECT_EQ(plugin->uniqueId(), 0x54726E31); // Trn1
    EXPECT_EQ(plugin->numPrograms(), 99);
    EXPECT_EQ(plugin->numParams(), 13);
    EXPECT_EQ(plugin->numInputs(), 1);
    EXPECT_EQ(plugin->numOutputs(), 2);
    const std::int32_t replacing = sizeof(void*) == 8 ? flagCanReplacing : 0;
    EXPECT_EQ(plugin->flags(), flagHasVu | flagHasClip | flagCanMono | replacing);
    for (int p : {0, 98}) {
        plugin->setProgram(p);
        EXPECT_EQ(plugin->programName(), "Trinity");
    }
    EXPECT_EQ(plugin->vu(), 0);
    plugin->setProgramName(std::string(30, 'q'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'q'));
}

TEST_F(Trio, NamesLabelsAndDefaultDisplays) {
    const struct {
        const char *name, *label, *display;
    } expected[] = {
        {"  Phaser ", "  On/Off ", "   On  "},  {"Phs Dep ", "    Amt ", "   40%"},
        {"Phs FdBk ", "    Amt ", "   20%"},    {"Phs Rate ", "    Hz ", "  0.40"},
        {"   Delay ", "    mSec ", "  250.00"}, {"Dly FdBk ", "    Amt ", "   25%"},
        {"Dly Cutoff", "    Hz ", "   2875"},   {" Dly Level ", "    Amt ", "   80%"},
        {"Chorus ", "    On/Off ", "   On  "},  {"Cho Dly ", "    mSec ", "  12.00"},
        {"Cho Depth ", "    % ", "   40%"},     {"Cho Rate", "    Hz ", "  0.90"},
        {"Cho Fdbk ", "    Amt ", "   0%"},
    };
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name) << i;
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label) << i;
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << i;
    }
    for (int index : {-1, 13, 14, 100}) {
        plugin->setParameter(index, 0.3f);
        EXPECT_EQ(plugin->parameter(index), 0.0f);
        EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value());
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value());
    }
}

TEST_F(Trio, DisplaysAcrossTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kPhaser, 0.01f, "   On  "},
        {kDelay, 1.0f, "  1000.00"},
        {kDelay, 0.0f, "  0.00"},
        {kDelayCutoff, 1.0f, "    Off  "},
        {kDelayCutoff, 0.0f, "    500"},
        {kPhaserRate, 1.0f, "  10.00"},
        {kChorusFeedback, 0.0f, "   -100%"},
        {kChorusFeedback, 1.0f, "   100%"},
        {kPhaserFeedback, 1.0f, "   100%"},
        {kChorusDelay, 1.0f, "  60.00"},
        {kChorusRate, 1.0f, "  10.00"},
        {kDelayLevel, 0.5f, "   50%"},
        {kPhaserDepth, 1.0f, "   100%"},
        {kDelay, NAN, "  0.00"},
        {kDelay, 1e30f, "  1000.00"},
        {kPhaser, 0.0f, "  Off  "},
        {kChorus, -1.0f, "  Off  "},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST_F(Trio, ASwitchedOffSectionIgnoresItsParameters) {
    set({{kPhaser, 0.0f}, {kPhaserDepth, 0.9f}, {kPhaserRate, 0.7f}});
    EXPECT_FLOAT_EQ(plugin->parameter(kPhaserDepth), 0.4f);
    EXPECT_EQ(plugin->parameterDisplay(kPhaserDepth), "  Off  ");
    EXPECT_EQ(plugin->parameterDisplay(kPhaserFeedback), "  Off  ");
    EXPECT_EQ(plugin->parameterDisplay(kPhaserRate), "  Off  ");
    set({{kPhaser, 1.0f}});
    EXPECT_FLOAT_EQ(plugin->parameter(kPhaserDepth), 0.4f);
    EXPECT_EQ(plugin->parameterDisplay(kPhaserRate), "  0.40");
    plugin->setProgram(1);
    plugin->setProgram(0);
    EXPECT_FLOAT_EQ(plugin->parameter(kPhaserDepth), 0.4f) << "nor stored in the program";

    set({{kChorusDelay, 0.5f}, {kChorus, 0.0f}, {kChorusDelay, 0.9f}, {kChorusFeedback, 1.0f}});
    EXPECT_EQ(plugin->parameterDisplay(kChorusDelay), "  Off  ");
    set({{kChorus, 1.0f}});
    EXPECT_EQ(plugin->parameterDisplay(kChorusDelay), "  30.00");
    EXPECT_EQ(plugin->parameterDisplay(kChorusFeedback), "   0%");
}

TEST_F(Trio, AProgramWithASectionOffKeepsThePreviousProgramsValuesForIt) {
    plugin->setProgram(2);
    set({{kPhaserDepth, 0.7f}, {kChorusRate, 0.6f}});
    plugin->setProgram(5);
    set({{kPhaser, 0.0f}, {kChorus, 0.0f}});
    plugin->setProgram(2);
    plugin->setProgram(5);
    EXPECT_EQ(plugin->parameter(kPhaserDepth), 0.7f);
    EXPECT_EQ(plugin->parameter(kChorusRate), 0.6f);
    EXPECT_EQ(plugin->parameterDisplay(kPhaserDepth), "  Off  ");
}

TEST_F(Trio, WithPhaserChorusAndEchoOffBothOutputsGetHalfTheInput) {
    set({{kPhaser, 0.0f}, {kChorus, 0.0f}, {kDelayLevel, 0.0f}});
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f, 2);
    const auto held = fxtest::makeSignal(fxtest::Signal::Saw, 4096, 44100.0f);
    const auto out = run(input, {held, held});
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 4096; ++i)
            ASSERT_FLOAT_EQ(out[ch][i], held[i] + 0.5f * input[i]) << ch << " " << i;
}

TEST_F(Trio, ThePhasersHalvesAddUpToTheInput) {
    set({{kChorus, 0.0f}, {kDelayLevel, 0.0f}});
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 44100, 44100.0f, 6);
    const auto out = run(input);
    double apart = 0.0;
    for (int i = 0; i < 44100; ++i) {
        ASSERT_NEAR(out[0][i] + out[1][i], 0.5f * input[i], 1e-6f) << i;
        apart += std::fabs(out[0][i] - out[1][i]);
    }
    EXPECT_GT(apart, 100.0) << "the phaser does change the signal";
}

TEST_F(Trio, TheEchoComesAfterItsDelayInPhaseLeftAndOppositeRight) {
    delayOnly(0.01f, 0.0f); // 10 ms: 441 samples
    const auto out = run(impulse(2000));
    EXPECT_EQ(soundAt(out[0]), (std::vector<int>{0, 441}));
    EXPECT_EQ(out[0][0], 0.5f);
    EXPECT_EQ(out[1][0], 0.5f);
    EXPECT_EQ(out[0][441], 0.5f);
    EXPECT_EQ(out[1][441], -0.5f);

    delayOnly(0.0f, 0.0f); // the shortest delay, one sample
    const auto shortest = run(impulse(100));
    EXPECT_EQ(soundAt(shortest[1]), (std::vector<int>{0, 1}));
}

TEST_F(Trio, FullFeedbackInABypassedLoopRepeatsWithoutEnd) {
    delayOnly(0.01f, 1.0f);
    // The loop feeds back the echo of the sample before: a pass takes 441 + 1 samples.
    const auto out = run(impulse(441 + 442 * 40));
    for (int repeat = 0; repeat < 40; ++repeat)
        ASSERT_EQ(out[0][441 + 442 * repeat], 0.5f) << repeat;
    EXPECT_EQ(soundAt(out[0]).size(), 41u);
}

TEST_F(Trio, ASampleRateChangeReappliesProgramZeroAtTheNewRate) {
    plugin->setProgram(0);
    delayOnly(0.01f, 0.0f);
    plugin->setProgram(9);
    plugin->setSampleRate(48000.0f);
    EXPECT_EQ(plugin->program(), 0);
    EXPECT_EQ(soundAt(run(impulse(1000))[0]), (std::vector<int>{0, 480}));
    EXPECT_EQ(plugin->parameterDisplay(kDelay), "  10.00");
}

TEST_F(Trio, SilenceClearsThePhaserToExactZero) {
    set({{kChorus, 0.0f}, {kDelayLevel, 0.0f}, {kDelayFeedback, 0.0f}, {kPhaserFeedback, 0.9f}});
    std::vector<float> input = fxtest::makeSignal(fxtest::Signal::Noise, 22050, 44100.0f, 8);
    input.resize(3 * 44100, 0.0f);
    const auto out = run(input);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 2 * 44100; i < 3 * 44100; ++i)
            ASSERT_EQ(out[ch][i], 0.0f) << ch << " " << i;
}

// The phaser alone (chorus off, echo silent), worked out here stage after stage as the
// four allpass stages are described, each stage's output rounded to single precision as
// its memory; the effect groups the same double-precision sums for speed, so its outputs
// may differ from these by a rounding, never by more than one unit in the last place.
class PhaserReference {
public:
    PhaserReference(double sampleRate, float depth, float feedback, float rate)
        : fb(static_cast<float>(2.0 * feedback - 1.0)) {
        const float octaves = static_cast<float>(10.0 * depth);
        const float range = static_cast<float>(std::pow(2.0, double(octaves)));
        low = static_cast<float>(502.6548245744 / sampleRate);
        high = static_cast<float>(double(range) * 160.0 * 3.14159265359 / sampleRate);
        stepUp = static_cast<float>(std::pow(double(range), 5.0 * rate / (0.5 * sampleRate)));
        stepDown = 1.0 / stepUp;
        position = low;
        direction = stepUp;
    }

    // The phased signal for input x; the sweep then moves on.
    float step(float x) {
        const double s = x + double(fb) * stageOut[3];
        if (std::fabs(s) < 1e-8f) {
            stageIn.fill(0.0f);
            stageOut.fill(0.0f);
        } else {
            const double coef = static_cast<float>((1.0 - position) / (1.0 + position));
            double u = s;
            for (int k = 0; k < 4; ++k) {
                const double y = coef * (u + stageOut[k]) - stageIn[k];
                stageIn[k] = static_cast<float>(u);
                stageOut[k] = static_cast<float>(y);
                u = y;
            }
        }
        if (high <= position)
            direction = static_cast<float>(stepDown);
        else if (low >= position)
            direction = stepUp;
        position *= direction;
        return stageOut[3];
    }

private:
    float fb, low, high, stepUp, position, direction;
    double stepDown;
    std::array<float, 4> stageIn{}, stageOut{};
};

TEST_F(Trio, ThePhaserFollowsItsStagesOneAfterTheOther) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 5 * 44100, 44100.0f, 11);
    const struct {
        float depth, feedback, rate;
    } cases[] = {{0.4f, 0.6f, 0.2f}, {1.0f, 0.95f, 1.0f}, {0.7f, 0.05f, 0.5f}, {0.0f, 0.5f, 0.0f}};
    for (const auto& c : cases) {
        plugin = start();
        set({{kChorus, 0.0f},
             {kDelayLevel, 0.0f},
             {kPhaserDepth, c.depth},
             {kPhaserFeedback, c.feedback},
             {kPhaserRate, c.rate}});
        const auto out = run(input);
        PhaserReference phaser(44100.0, c.depth, c.feedback, c.rate);
        for (std::size_t i = 0; i < input.size(); ++i) {
            const double x = input[i];
            const double phased = phaser.step(input[i]);
            const float left = static_cast<float>((x + phased) * 0.5 * 0.5);
            const float right = static_cast<float>((x - phased) * 0.5 * 0.5);
            const auto ulp = [](float v) {
                return std::nextafter(std::fabs(v), INFINITY) - std::fabs(v);
            };
            ASSERT_LE(std::fabs(out[0][i] - left), ulp(left)) << c.depth << " " << i;
            ASSERT_LE(std::fabs(out[1][i] - right), ulp(right)) << c.depth << " " << i;
        }
    }
}

TEST_F(Trio, ChorusWithoutDepthIsAFixedDelayWithFeedback) {
    // Phaser off, echo silent: the chorus gets c = x / 2 + feedback x its output of the
    // sample before. A constant input keeps it running (silence would stop its ring).
    set({{kPhaser, 0.0f},
         {kDelayLevel, 0.0f},
         {kChorusDepth, 0.0f},
         {kChorusDelay, 0.1f},
         {kChorusFeedback, 0.75f}}); // 6 ms: 264 samples; feedback 0.5
    const auto out = run(std::vector<float>(1000, 1.0f));
    const struct {
        int at;
        float chorus, c;
    } cases[] = {{0, 0.0f, 0.5f},    {263, 0.0f, 0.5f},   {264, 0.5f, 0.5f},
                 {265, 0.5f, 0.75f}, {529, 0.75f, 0.75f}, {530, 0.75f, 0.875f}};
    for (const auto& k : cases) {
        EXPECT_FLOAT_EQ(out[0][k.at], k.chorus + k.c) << k.at;
        EXPECT_FLOAT_EQ(out[1][k.at], k.chorus - k.c) << k.at;
    }
}

TEST_F(Trio, AnyParameterValueKeepsTheOutputFinite) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f, 4);
    for (float value : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 2.0f, -1.0f}) {
        plugin = start();
        for (int i = 0; i < 13; ++i) {
            plugin->setParameter(i, value);
            EXPECT_LE(plugin->parameterDisplay(i).size(), 9u);
        }
        set({{kPhaserFeedback, 0.5f}, {kChorusFeedback, 0.5f}, {kDelayFeedback, 0.5f}});
        const auto out = run(input);
        for (const auto& channel : out)
            for (float sample : channel)
                ASSERT_TRUE(std::isfinite(sample)) << value;
    }
}

} // namespace
