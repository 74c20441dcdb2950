// The squeezer's engine, loaded from build/plugins and driven through our host library:
// its configuration, the parameter laws seen through steady-state levels, the linked
// detector, the bypass and both processing paths.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using fxhost::Plugin;

enum Param { kPower, kRatio, kThreshold, kAttack, kRelease, kMakeup };

// The normalised value that gives a threshold or make-up factor (the laws 10^(2v - 2) and
// 10^(2v - 1)).
float thresholdValue(double level) {
    return static_cast<float>((std::log10(level) + 2.0) / 2.0);
}

class Squeezer : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = fxtest::loadPlugin("squeezer");
        plugin->open();
        plugin->resume();
    }

    // Runs left/right through one path in blocks; the outputs start from `held`.
    std::vector<std::vector<float>> run(std::vector<float> left, std::vector<float> right,
                                        bool replacing = false, int block = 512,
                                        float held = 0.0f) {
        const int frames = static_cast<int>(left.size());
        std::vector<std::vector<float>> out(2, std::vector<float>(left.size(), held));
        for (int done = 0; done < frames; done += block) {
            const int n = std::min(block, frames - done);
            float* ins[] = {left.data() + done, right.data() + done};
            float* outs[] = {out[0].data() + done, out[1].data() + done};
            if (replacing)
                plugin->processReplacing(ins, outs, n);
            else
                plugin->process(ins, outs, n);
        }
        return out;
    }

    std::vector<std::vector<float>> constant(float left, float right, int frames) {
        return run(std::vector<float>(frames, left), std::vector<float>(frames, right));
    }

    // The engine's level meter as the effect holds it: opcode 9 hands it over times 32767.
    double vu() { return plugin->vu() / 32767.0; }

    std::unique_ptr<Plugin> plugin;
};

TEST_F(Squeezer, DeclaresItsConfigurationAndDefaults) {
    EXPECT_EQ(plugin->uniqueId(), 0x53514258);
    EXPECT_EQ(plugin->numPrograms(), 1);
    EXPECT_EQ(plugin->numParams(), 6);
    EXPECT_EQ(plugin->numInputs(), 2);
    EXPECT_EQ(plugin->numOutputs(), 2);
    EXPECT_EQ(plugin->flags(), flagHasEditor | flagCanMono | flagCanReplacing);
    EXPECT_EQ(plugin->programName(), "Full Reset (default)");
    const float defaults[] = {0.0f, 0.5f, 0.6f, 0.18f, 0.55f, 0.6f};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(plugin->parameter(i), defaults[i]) << "parameter " << i;
    EXPECT_EQ(plugin->parameter(6), 0.0f);
    EXPECT_EQ(plugin->parameter(-1), 0.0f);
}

TEST_F(Squeezer, GivesTheHostNoParameterTexts) {
    for (int i = -1; i <= 6; ++i)
        for (std::int32_t opcode : {opGetParamName, opGetParamLabel, opGetParamDisplay})
            EXPECT_FALSE(plugin->queryText(opcode, i).has_value())
                << "opcode " << opcode << " index " << i;
}

TEST_F(Squeezer, KeepsAProgramNameOfTwentyThreeCharacters) {
    plugin->setProgramName("Vocals, gently squeezed and more");
    EXPECT_EQ(plugin->programName(), "Vocals, gently squeezed");
}

// Steady states of a constant input, with the fastest attack and the slowest release
// so that the detector sits on the input level.
TEST_F(Squeezer, SteadyLevelsFollowThresholdRatioAndMakeup) {
    const struct {
        float threshold, ratio, makeup, input;
        double output, vu;
    } cases[] = {
        // The worked example: threshold 0.1, ratio 0.5, level 0.5: gain 1/3.
        {thresholdValue(0.1), 0.5f, 0.5f, 0.5f, 0.5 / 3.0, 0.5 - 0.5 / 3.0},
        // Ratio 1 holds the output at the threshold, then make-up gain applies.
        {thresholdValue(0.1), 1.0f, 0.5f, 0.5f, 0.1, 0.4},
        {thresholdValue(0.1), 1.0f, 0.6f, 0.5f, 0.1 * std::pow(10.0, 0.2), 0.4},
        {0.0f, 1.0f, 0.5f, 0.5f, 0.01, 0.49}, // threshold 0.01 (-40 dB)
        {1.0f, 1.0f, 0.5f, 0.5f, 0.5, 0.0},   // threshold 1.0: below it, no reduction
        {0.0f, 0.0f, 0.5f, 0.5f, 0.5, 0.0},   // ratio 0: no compression
        {0.0f, 0.0f, 0.0f, 0.5f, 0.05, 0.0},  // make-up 0.1
        {0.0f, 0.0f, 1.0f, 0.05f, 0.5, 0.0},  // make-up 10
        {thresholdValue(0.2), 0.25f, 0.5f, 0.6f, 0.6 / ((3.0 - 1.0) * 0.25 + 1.0), 0.6 - 0.4},
    };
    for (const auto& c : cases) {
        plugin = fxtest::loadPlugin("squeezer");
        plugin->setParameter(kThreshold, c.threshold);
        plugin->setParameter(kRatio, c.ratio);
        plugin->setParameter(kMakeup, c.makeup);
        plugin->setParameter(kAttack, 0.0f);
        plugin->setParameter(kRelease, 1.0f);
        const auto out = constant(c.input, c.input, 4096);
        const std::string where = "threshold " + std::to_string(c.threshold) + " ratio " +
                                  std::to_string(c.ratio) + " makeup " + std::to_string(c.makeup);
        EXPECT_NEAR(out[0].back(), c.output, 1e-4 * c.output) << where;
        EXPECT_EQ(out[0].back(), out[1].back()) << where;
        EXPECT_NEAR(vu(), c.vu, 2e-4) << where;
    }
}

TEST_F(Squeezer, BypassesOnlyAtPowerExactlyOne) {
    const auto input = fxtest::makeSignal(fxtest::Signal::Noise, 2048, 44100.0f);
    for (float power : {1.0f, 0.5f, 0.9999999f, 0.0f}) {
        plugin = fxtest::loadPlugin("squeezer");
        plugin->setParameter(kPower, power);
        const auto out = run(input, input, false, 512, 0.25f);
        bool unchanged = true;
        for (std::size_t i = 0; i < input.size(); ++i)
            unchanged = unchanged && out[0][i] == 0.25f + input[i] && out[1][i] == 0.25f + input[i];
        EXPECT_EQ(unchanged, power == 1.0f) << "POWER " << power;
        if (power == 1.0f) {
            EXPECT_EQ(plugin->vu(), 0);
        }
    }
}

TEST_F(Squeezer, BypassRestartsTheDetectorFromSilence) {
    plugin->setParameter(kThreshold, 0.0f);
    plugin->setParameter(kRatio, 1.0f);
    plugin->setParameter(kMakeup, 0.5f);
    constant(0.8f, 0.8f, 4096);
    plugin->setParameter(kPower, 1.0f);
    constant(0.8f, 0.8f, 16);
    plugin->setParameter(kPower, 0.0f);
    // The first sample after the bypass attacks from 0: envelope = attack x 0.8 only.
    const double attack = std::pow(10.0, -double(0.01f) - 2.0 * 0.18);
    const double envelope = attack * 0.8;
    const auto out = constant(0.8f, 0.8f, 1);
    EXPECT_NEAR(out[0][0], 0.8 / (envelope / 0.01), 1e-4);
}

TEST_F(Squeezer, OneGainForBothChannels) {
    plugin->setParameter(kThreshold, thresholdValue(0.1));
    plugin->setParameter(kRatio, 0.8f);
    const auto loud = fxtest::makeSignal(fxtest::Signal::Saw, 4096, 44100.0f);
    std::vector<float> quiet(4096, 0.01f);
    const auto out = run(loud, quiet);
    for (int i = 0; i < 4096; i += 97) {
        const double quietGain = out[1][i] / 0.01;
        if (std::fabs(loud[i]) > 0.05f) {
            EXPECT_NEAR(out[0][i] / loud[i], quietGain, 1e-4 * quietGain) << i;
        }
    }
    // The quiet channel was turned down by the loud one's level.
    EXPECT_LT(out[1][4000], 0.01f * std::pow(10.0f, 0.2f) * 0.8f);
}

TEST_F(Squeezer, ReleaseDecaysByItsFactorPerSampleTowardZero) {
    constexpr double kRelease = 0.001;      // 10^(-2 - 3v) with v = 1/3
    plugin->setParameter(kThreshold, 0.0f); // 0.01
    plugin->setParameter(kRatio, 1.0f);
    plugin->setParameter(kMakeup, 0.5f);
    plugin->setParameter(kAttack, 0.0f);
    plugin->setParameter(Param::kRelease, 1.0f / 3.0f);
    constant(1.0f, 1.0f, 2048);
    // A faint probe stays below the envelope, so the detector only releases. With ratio
    // 1 the gain is threshold / envelope, so the probe's output reads the envelope back.
    constexpr float kProbe = 1e-6f;
    const auto out = constant(kProbe, kProbe, 6000);
    std::vector<double> envelope;
    for (float y : out[0])
        envelope.push_back(0.01 * kProbe / y);
    for (int n = 1; n < 4000; n += 50)
        EXPECT_NEAR(envelope[n] / envelope[n - 1], 1.0 - kRelease, 1e-5) << "sample " << n;
    // 1.0 x 0.999^n falls below the threshold 0.01 after about 4603 samples: gain 1.
    EXPECT_FLOAT_EQ(out[0][5999], kProbe);
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(Squeezer, BothPathsComputeTheSameAndAccumulatingAdds) {
    const auto left = fxtest::makeSignal(fxtest::Signal::Noise, 8192, 44100.0f, 3);
    const auto right = fxtest::makeSignal(fxtest::Signal::Saw, 8192, 44100.0f);
    const auto adding = run(left, right, false, 300, 0.0f);
    plugin = fxtest::loadPlugin("squeezer");
    const auto replacing = run(left, right, true, 300, 0.7f);
    EXPECT_EQ(adding, replacing);
    plugin = fxtest::loadPlugin("squeezer");
    const auto onTop = run(left, right, false, 300, 0.5f);
    for (int c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < left.size(); i += 31)
            EXPECT_NEAR(onTop[c][i], adding[c][i] + 0.5f, 1e-6f);
}

TEST_F(Squeezer, ResultsDoNotDependOnTheBlockSize) {
    const auto left = fxtest::makeSignal(fxtest::Signal::Noise, 5000, 44100.0f, 9);
    const auto right = fxtest::makeSignal(fxtest::Signal::Square, 5000, 44100.0f);
    const auto whole = run(left, right, true, 5000);
    for (int block : {1, 7, 881, 882, 883}) {
        plugin = fxtest::loadPlugin("squeezer");
        EXPECT_EQ(run(left, right, true, block), whole) << "block " << block;
    }
}

TEST_F(Squeezer, AnInfiniteSampleDoesNotSilenceTheCompressorForGood) {
    plugin->setParameter(kThreshold, 1.0f);
    plugin->setParameter(kRatio, 1.0f);
    plugin->setParameter(kMakeup, 0.5f);
    plugin->setParameter(kRelease, 0.0f); // 1 % per sample
    std::vector<float> burst(1, std::numeric_limits<float>::infinity());
    run(burst, burst);
    EXPECT_TRUE(std::isfinite(vu()));
    const auto out = constant(0.001f, 0.001f, 20000);
    EXPECT_FLOAT_EQ(out[0].back(), 0.001f);
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(Squeezer, EmptyBlocksChangeNothing) {
    float left = 0.5f, right = 0.5f, outLeft = 0.25f, outRight = 0.25f;
    float* ins[] = {&left, &right};
    float* outs[] = {&outLeft, &outRight};
    plugin->process(ins, outs, 0);
    plugin->processReplacing(ins, outs, 0);
    plugin->processReplacing(ins, outs, -5);
    EXPECT_EQ(outLeft, 0.25f);
    EXPECT_EQ(outRight, 0.25f);
    EXPECT_EQ(plugin->vu(), 0);
}

TEST_F(Squeezer, OutOfRangeParametersAreKeptButApplyInRange) {
    const float odd[] = {-1.0f, 2.0f, std::numeric_limits<float>::quiet_NaN(), 1e30f};
    for (float v : odd) {
        plugin = fxtest::loadPlugin("squeezer");
        for (int i = 1; i < 6; ++i)
            plugin->setParameter(i, v);
        if (!std::isnan(v)) {
            EXPECT_EQ(plugin->parameter(kRatio), v);
        }
        const auto out = constant(0.9f, -0.9f, 2048);
        EXPECT_TRUE(std::isfinite(out[0].back()) && std::isfinite(out[1].back())) << v;
        EXPECT_TRUE(std::isfinite(vu())) << v;
    }
}

} // namespace
