// The stereo flanger, loaded from build/plugins and driven through our host library.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param {
    kDelayA,
    kDepthA,
    kDelayB,
    kDepthB,
    kRate,
    kPhaseSep,
    kFeedback,
    kCutoff,
    kLoCut,
    kLfoType,
    kPreDelay,
    kOutA,
    kPanA,
    kOutB,
    kPanB,
    kDryWet,
    kMaster
};
using Channels = std::vector<std::vector<float>>;

class Jetstream : public ::testing::Test {
protected:
    void SetUp() override { plugin = start(); }

    static std::unique_ptr<Plugin> start() {
        auto p = fxtest::loadPlugin("jetstream");
        p->open();
        p->setSampleRate(44100.0f);
        p->resume();
        return p;
    }

    // Left to voice A alone, right to voice B alone, each at unity, dry signal off, a
    // fixed delay (no depth), no feedback, no filters.
    void isolateVoices(Plugin& p) {
        for (auto [index, value] : {std::pair{kDryWet, 1.0f},
                                    {kPanA, 0.0f},
                                    {kPanB, 1.0f},
                                    {kOutA, 0.5f},
                                    {kOutB, 0.5f},
                                    {kMaster, 0.5f},
                                    {kDepthA, 0.0f},
                                    {kDepthB, 0.0f},
                                    {kFeedback, 0.5f},
                                    {kCutoff, 1.0f},
                                    {kLoCut, 0.0f},
                                    {kPreDelay, 0.0f}})
            p.setParameter(index, value);
    }

    // Runs the inputs through `process` in blocks of 512, adding into `held` (zeros by
    // default), and returns the outputs.
    static Channels run(Plugin& p, const Channels& inputs, Channels held = {}) {
        const std::size_t frames = inputs[0].size();
        if (held.empty()) held.assign(2, std::vector<float>(frames, 0.0f));
        for (std::size_t done = 0; done < frames; done += 512) {
            const int n = static_cast<int>(std::min<std::size_t>(512, frames - done));
            float* ins[] = {const_cast<float*>(inputs[0].data()) + done,
                            const_cast<float*>(inputs[1].data()) + done};
            float* outs[] = {held[0].data() + done, held[1].data() + done};
            p.process(ins, outs, n);
        }
        return held;
    }
    Channels run(const Channels& inputs, Channels held = {}) { return run(*plugin, inputs, held); }

    // 1, 2, 3, ...: never silent, so the voices never stop.
    static std::vector<float> ramp(int frames) {
        std::vector<float> x(static_cast<std::size_t>(frames));
        for (int i = 0; i < frames; ++i)
            x[i] = static_cast<float>(i + 1);
        return x;
    }

    static int firstSound(const std::vector<float>& x) {
        for (std::size_t i = 0; i < x.size(); ++i)
            if (x[i] != 0.0f) return static_cast<int>(i);
        return -1;
    }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(Jetstream, DeclaresItsConfiguration) {
    EXPECT_EQ(plugin->uniqueId(), 0x4A737434); // Jst4
    EXPECT_EQ(plugin->numPrograms(), 99);
    EXPECT_EQ(plugin->numParams(), 17);
    EXPECT_EQ(plugin->numInputs(), 2);
    EXPECT_EQ(plugin->numOutputs(), 2);
    const std::int32_t replacing = sizeof(void*) == 8 ? flagCanReplacing : 0;
    EXPECT_EQ(plugin->flags(), flagHasVu | flagHasClip | flagCanMono | replacing);
    for (int p : {0, 50, 98}) {
        plugin->setProgram(p);
        EXPECT_EQ(plugin->programName(), "Default Flanger");
    }
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(Jetstream, NamesLabelsAndDefaultDisplays) {
    const struct {
        const char *name, *label, *display;
    } expected[] = {
        {" Delay  A", "   mSec ", "  1.80"}, {" Depth A", " Depth ", "   89%"},
        {" Delay  B", "   mSec ", "  1.80"}, {" Depth B", " Depth ", "   89%"},
        {"   Rate ", "  Rate ", "  0.90"},   {" Phase Sep", "  Degrees", "     269\xB0 "},
        {"FeedBack", "    Amt ", "   79%"},  {" Cutoff", "    Hz ", "   5843"},
        {" Lo Cut", "    Hz ", "    Off  "}, {"  LFO", "  Type", "   TRI "},
        {" PreDelay", "   mSec ", "  0.00"}, {" Out A", "     % ", "   100%"},
        {" Pan A", "   Pan ", "  <100"},     {" Out B", "     % ", "   100%"},
        {" Pan B", "   Pan ", "  100>"},     {" Dry:Wet ", "   Ratio", "   0:100 "},
        {"  Master ", "     % ", "   100%"},
    };
    for (int i = 0; i < 17; ++i) {
        EXPECT_EQ(plugin->parameterName(i), expected[i].name) << i;
        EXPECT_EQ(plugin->parameterLabel(i), expected[i].label) << i;
        EXPECT_EQ(plugin->parameterDisplay(i), expected[i].display) << i;
    }
}

TEST_F(Jetstream, DisplaysAcrossTheRanges) {
    const struct {
        int index;
        float value;
        const char* display;
    } cases[] = {
        {kDelayA, 0.0f, "  0.00"},
        {kDelayA, 1.0f, "  20.00"},
        {kDelayB, 0.5f, "  5.00"},
        {kDepthB, 1.0f, "   100%"},
        {kRate, 1.0f, "  10.00"},
        {kRate, 0.0f, "  0.00"},
        {kPhaseSep, 0.0f, "     0\xB0 "},
        {kPhaseSep, 1.0f, "     359\xB0 "},
        {kFeedback, 0.0f, "   -100%"},
        {kFeedback, 0.5f, "   0%"},
        {kCutoff, 1.0f, "    Off  "},
        {kCutoff, 0.0f, "    500"},
        {kLoCut, 0.02f, "    Off  "},
        {kLoCut, 0.5f, "   1000"},
        {kLoCut, 1.0f, "   2000"},
        {kLfoType, 0.0f, "  SINE "},
        {kLfoType, 0.2499f, "  SINE "},
        {kLfoType, 0.25f, "   TRI "},
        {kLfoType, 0.5f, "  EXP1 "},
        {kLfoType, 1.0f, "  EXP2 "},
        {kPreDelay, 0.5f, "  62.00"},
        {kPreDelay, 1.0f, "  500.00"},
        {kOutA, 1.0f, "   200%"},
        {kPanA, 0.5f, "  <C>  "},
        {kPanA, 0.25f, "  <50"},
        {kPanB, 0.75f, "  50>"},
        {kDryWet, 0.25f, "   75:25 "},
        {kDryWet, 0.0f, "   100:0 "},
        {kMaster, 0.0f, "   0%"},
        // Values a host should not send are shown as the nearest end of the range.
        {kLfoType, 7.0f, "  EXP2 "},
        {kLfoType, NAN, "  SINE "},
        {kPreDelay, 1e30f, "  500.00"},
        {kFeedback, -INFINITY, "   -100%"},
    };
    for (const auto& c : cases) {
        plugin->setParameter(c.index, c.value);
        EXPECT_EQ(plugin->parameterDisplay(c.index), c.display)
            << "parameter " << c.index << " = " << c.value;
    }
}

TEST_F(Jetstream, ValuesReadBackAsSetAndStayWithTheirProgram) {
    plugin->setParameter(kLfoType, 1.0f);
    EXPECT_EQ(plugin->parameter(kLfoType), 1.0f) << "the value before 1.0 is replaced";
    plugin->setProgram(3);
    plugin->setParameter(kRate, 0.8f);
    plugin->setProgram(4);
    EXPECT_FLOAT_EQ(plugin->parameter(kRate), 0.3f);
    plugin->setProgram(3);
    EXPECT_EQ(plugin->parameter(kRate), 0.8f) << "the edit, not the default";
    EXPECT_EQ(plugin->parameterDisplay(kRate), "  6.40");
}

TEST_F(Jetstream, IndicesBeyondTheSeventeenParameters) {
    EXPECT_EQ(plugin->queryText(opGetParamName, 17), "Unknown");
    EXPECT_EQ(plugin->queryText(opGetParamName, 18), "Unknown");
    for (int index : {-1, 17, 18, 19, 28, 1000}) {
        plugin->setParameter(index, 0.7f);
        EXPECT_EQ(plugin->parameter(index), 0.0f) << index;
        EXPECT_FALSE(plugin->queryText(opGetParamLabel, index).has_value()) << index;
        EXPECT_FALSE(plugin->queryText(opGetParamDisplay, index).has_value()) << index;
        if (index != 17 && index != 18) {
            EXPECT_FALSE(plugin->queryText(opGetParamName, index).has_value()) << index;
        }
    }
}

TEST_F(Jetstream, ProgramNamesAreCutToTheirField) {
    plugin->setProgramName(std::string(40, 'n'));
    EXPECT_EQ(plugin->programName(), std::string(23, 'n'));
}

TEST_F(Jetstream, EachVoiceDelaysItsOwnChannelByItsDelay) {
    isolateVoices(*plugin);
    plugin->setParameter(kDelayA, 1.0f); // 20 ms: 882 samples at 44100 Hz
    plugin->setParameter(kDelayB, 0.5f); // 5 ms: 220 samples
    const auto out = run({ramp(2000), ramp(2000)});
    // The pre-delay of one sample comes first.
    EXPECT_EQ(firstSound(out[0]), 1 + 882);
    EXPECT_EQ(firstSound(out[1]), 1 + 220);
    for (int i = 1 + 882; i < 2000; ++i)
        ASSERT_EQ(out[0][i], static_cast<float>(i - 882)) << i;
    for (int i = 1 + 220; i < 2000; ++i)
        ASSERT_EQ(out[1][i], static_cast<float>(i - 220)) << i;
}

TEST_F(Jetstream, ASampleRateChangeReappliesProgramZeroAtTheNewRate) {
    plugin->setProgram(7);
    isolateVoices(*plugin);
    plugin->setParameter(kDelayA, 1.0f);
    plugin->setProgram(0);
    isolateVoices(*plugin);
    plugin->setParameter(kDelayA, 1.0f); // stored in program 0
    plugin->setProgram(7);
    plugin->setSampleRate(48000.0f);
    EXPECT_EQ(plugin->program(), 0);
    const auto out = run({ramp(2000), ramp(2000)});
    EXPECT_EQ(firstSound(out[0]), 1 + 960); // 20 ms at 48000 Hz
}

TEST_F(Jetstream, DrySignalFollowsDryWetAndMaster) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 3000, 44100.0f, 3);
    const auto held = fxtest::makeSignal(fxtest::Signal::Saw, 3000, 44100.0f);
    const struct {
        float master, gain;
    } cases[] = {{0.5f, 1.0f}, {1.0f, 2.0f}, {0.25f, 0.5f}}; // dry scales with Master once
    for (const auto& c : cases) {
        auto p = start();
        p->setParameter(kDryWet, 0.0f);
        p->setParameter(kMaster, c.master);
        const auto out = run(*p, {input, input}, {held, held});
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 3000; ++i)
                ASSERT_FLOAT_EQ(out[ch][i], held[i] + c.gain * input[i]) << "master " << c.master;
    }
}

TEST_F(Jetstream, VoicesScaleWithTheSquareOfMasterAndPanLinearly) {
    const auto input = ramp(1500);
    auto reference = start();
    isolateVoices(*reference);
    const auto unity = run(*reference, {input, input});

    auto louder = start();
    isolateVoices(*louder);
    louder->setParameter(kMaster, 1.0f);
    const auto fourTimes = run(*louder, {input, input});

    auto centred = start();
    isolateVoices(*centred);
    centred->setParameter(kPanA, 0.5f);
    centred->setParameter(kOutB, 0.0f);
    const auto half = run(*centred, {input, input});
    for (int i = 0; i < 1500; ++i) {
        ASSERT_EQ(fourTimes[0][i], 4.0f * unity[0][i]) << i;
        ASSERT_EQ(fourTimes[1][i], 4.0f * unity[1][i]) << i;
        ASSERT_EQ(half[0][i], 0.5f * unity[0][i]) << i;
        ASSERT_EQ(half[1][i], 0.5f * unity[0][i]) << i;
    }
}

TEST_F(Jetstream, PhaseSeparationMovesTheVoicesApart) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f, 5);
    for (float separation : {0.0f, 0.5014f}) {
        auto p = start();
        p->setParameter(kPanA, 0.0f);
        p->setParameter(kPanB, 1.0f);
        p->setParameter(kPhaseSep, separation);
        p->setParameter(kLfoType, 0.0f); // SINE
        p->setParameter(kRate, 0.5f);
        const auto out = run(*p, {input, input});
        double difference = 0.0;
        for (int i = 0; i < 8192; ++i)
            difference += std::fabs(out[0][i] - out[1][i]);
        if (separation == 0.0f) {
            EXPECT_EQ(difference, 0.0) << "both voices on the same delay";
        } else {
            EXPECT_GT(difference, 10.0) << "voices in opposite directions";
        }
    }
}

TEST_F(Jetstream, AVoiceFallsSilentAfterItsTailAndStartsAgain) {
    plugin->setParameter(kFeedback, 0.95f);
    std::vector<float> input = fxtest::makeSignal(fxtest::Signal::Noise, 44100, 44100.0f, 9);
    input.resize(5 * 44100, 0.0f);
    const auto out = run({input, input});
    for (int ch = 0; ch < 2; ++ch) {
        EXPECT_NE(out[ch][44100 + 100], 0.0f) << "the voice rings on";
        for (int i = 4 * 44100; i < 5 * 44100; ++i)
            ASSERT_EQ(out[ch][i], 0.0f) << ch << " " << i;
    }
    const auto again =
        run(Channels(2, fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f, 2)));
    EXPECT_NE(firstSound(again[0]), -1);
}

TEST_F(Jetstream, AnyParameterValueKeepsTheOutputFinite) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 4096, 44100.0f, 4);
    for (float value : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 2.0f, -1.0f}) {
        auto p = start();
        for (int i = 0; i < 17; ++i) {
            p->setParameter(i, value);
            EXPECT_LE(p->parameterDisplay(i).size(), 10u);
        }
        p->setParameter(kFeedback, 0.5f); // so that the loop itself stays bounded
        const auto out = run(*p, {input, input});
        for (const auto& channel : out)
            for (float sample : channel)
                ASSERT_TRUE(std::isfinite(sample)) << value;
    }
}

} // namespace
