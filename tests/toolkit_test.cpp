// The toolkit's blocks on their own: ring sizing, whole-sample and interpolated delays,
// the prime rounding, the wavetable's shapes and reading, and the filters' bypass
// thresholds and settled responses.

#include "console_memory.h"
#include "zo_delay_line.h"
#include "zo_filters.h"
#include "zo_lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <thread>
#include <vector>

namespace {

using namespace zo;

TEST(ZoDelayLine, RingSizeIsTheNextPowerOfTwoWithinLimits) {
    const struct {
        std::int32_t wish, size;
    } cases[] = {{-5, 128},        {0, 128},         {100, 128},       {127, 128},
                 {128, 256},       {255, 256},       {4800, 8192},     {28800, 32768},
                 {32767, 32768},   {32768, 65536},   {57600, 65536},   {65536, 131072},
                 {131071, 131072}, {131072, 262144}, {300000, 262144}, {INT32_MAX, 262144}};
    for (const auto& c : cases)
        EXPECT_EQ(ringSizeFor(c.wish), c.size) << "wish " << c.wish;
}

TEST(ZoDelayLine, AllocateOnlyGrowsAndClearsWhatIsNew) {
    ZoDelayLine line;
    EXPECT_EQ(line.size(), 32768);
    line.setDelaySamples(1);
    line.tick(1.0f);
    line.allocate(100); // smaller wish: nothing changes, contents stay
    EXPECT_EQ(line.size(), 32768);
    EXPECT_EQ(line.tick(0.0f), 1.0f);

    line.tick(5.0f);
    line.allocate(32768);
    EXPECT_EQ(line.size(), 65536);
    for (int i = 0; i < line.size(); ++i)
        ASSERT_EQ(line.ring()[i], 0.0f) << i;
    line.allocate(300000);
    EXPECT_EQ(line.size(), ZoDelayLine::kLargestRing);
}

// Ticks 1, 2, 3, ... through the line and returns what comes out.
std::vector<float> rampThrough(ZoDelayLine& line, int count) {
    std::vector<float> out;
    for (int i = 1; i <= count; ++i)
        out.push_back(line.tick(static_cast<float>(i)));
    return out;
}

TEST(ZoDelayLine, WholeSampleDelays) {
    for (int delay : {0, 1, 5, 127, 1000}) {
        ZoDelayLine line;
        line.setDelaySamples(delay);
        const auto out = rampThrough(line, delay + 10);
        for (int i = 0; i < delay + 10; ++i)
            ASSERT_EQ(out[i], i < delay ? 0.0f : static_cast<float>(i + 1 - delay))
                << "delay " << delay << " sample " << i;
    }
}

TEST(ZoDelayLine, DelayInMillisecondsTruncatesToSamples) {
    ZoDelayLine line;
    line.setSamplingRate(44100.0f);
    line.setDelayMs(1.0f); // 44.1 samples
    EXPECT_EQ(line.delayInSamples, 44);
    EXPECT_EQ(line.delayInMilliSecs, 1.0f);
    line.setDelayMs(0.0f);
    EXPECT_EQ(line.delayInSamples, 0);
    line.setDelayMs(std::nanf(""));
    EXPECT_EQ(line.delayInSamples, 0);
}

TEST(ZoDelayLine, ALongerDelayThanTheRingGrowsItClearedAndDelaysExactly) {
    ZoDelayLine line;
    line.setDelaySamples(3);
    rampThrough(line, 10);
    line.setDelaySamples(40000);
    EXPECT_EQ(line.size(), 65536);
    const auto out = rampThrough(line, 40002);
    EXPECT_EQ(out[39999], 0.0f);
    EXPECT_EQ(out[40000], 1.0f);
    EXPECT_EQ(out[40001], 2.0f);
}

TEST(ZoDelayLine, PositionsStayInsideTheRingForAnyDelay) {
    for (std::int32_t delay : {-1, -70000, 262144, 262145, INT32_MAX, INT32_MIN}) {
        ZoDelayLine line;
        line.setDelaySamples(delay);
        for (int i = 0; i < 3; ++i)
            line.tick(1.0f);
        EXPECT_GE(line.delayLinePos, 0) << delay;
        EXPECT_LT(line.delayLinePos, line.size()) << delay;
        EXPECT_GE(line.currentSamplePos, 0) << delay;
        EXPECT_LT(line.currentSamplePos, line.size()) << delay;
    }
}

TEST(ZoDelayLine, PrimeRoundingUpAndItsTable) {
    const auto& primes = primeTable();
    EXPECT_EQ(primes.size(), 6542u);
    EXPECT_EQ(primes.front(), 3);
    EXPECT_EQ(primes[1], 5);
    EXPECT_EQ(primes[primes.size() - 2], 65521);
    EXPECT_EQ(primes.back(), 65537);

    const struct {
        std::int32_t delay, prime;
    } cases[] = {{0, 3},         {2, 3},         {3, 3},        {4, 5},
                 {12, 13},       {13, 13},       {100, 101},    {32768, 32771},
                 {65522, 65537}, {65537, 65537}, {70000, 70000}}; // beyond the table: unchanged
    for (const auto& c : cases) {
        ZoDelayLine line;
        line.setDelaySamples(c.delay);
        line.applyPrimeDelay();
        EXPECT_EQ(line.delayInSamples, c.prime) << c.delay;
        EXPECT_GT(line.size(), c.prime) << "the ring holds the rounded delay";
        const auto out = rampThrough(line, c.prime + 1);
        EXPECT_EQ(out[c.prime], 1.0f) << c.delay;
    }
}

TEST(ZoModDelayLine, InterpolatesBetweenNeighbouringWholeDelays) {
    // A ramp delayed by d reads back i + 1 - d, exactly, once the ramp has filled the line.
    for (float d : {0.0f, 0.25f, 1.0f, 2.5f, 7.75f, 300.125f}) {
        ZoModDelayLine line;
        line.setFractionalDelay(d);
        for (int i = 0; i < 400; ++i) {
            const float y = line.tickInterpolated(static_cast<float>(i + 1));
            if (i >= 302) {
                ASSERT_FLOAT_EQ(y, static_cast<float>(i + 1) - d) << "delay " << d;
            }
        }
        EXPECT_EQ(line.delayWhole, std::floor(d));
        EXPECT_EQ(line.delayTotal, d);
    }
}

TEST(ZoModDelayLine, FreshLineReadsSilenceAndHalfwayIsTheMean) {
    ZoModDelayLine line;
    line.setFractionalDelay(2.5f);
    EXPECT_EQ(line.tickInterpolated(3.0f), 0.0f);
    EXPECT_EQ(line.tickInterpolated(5.0f), 0.0f);
    EXPECT_EQ(line.tickInterpolated(9.0f), 1.5f); // half of the first input
    EXPECT_EQ(line.tickInterpolated(0.0f), 4.0f); // mean of 3 and 5
}

TEST(ZoLFO, RateIsClampedAndSetsTheIncrement) {
    ZoLFO lfo;
    lfo.setSamplingRate(44100.0f);
    lfo.setRate(0.0f);
    EXPECT_EQ(lfo.getRate(), 0.001f);
    lfo.setRate(std::nanf(""));
    EXPECT_EQ(lfo.getRate(), 0.001f);
    lfo.setRate(10.0f);
    EXPECT_NEAR(lfo.increment, 32768.0 * 10.0 / 44100.0, 1e-6);
    lfo.setSamplingRate(22050.0f); // a new rate recomputes at once
    EXPECT_NEAR(lfo.increment, 32768.0 * 10.0 / 22050.0, 1e-6);
    lfo.phaseDegrees = 359.0f;
    lfo.recalc();
    EXPECT_NEAR(lfo.phaseOffset, 359.0 * 32768.0 * 0.0027777, 0.01);
}

TEST(ZoLFO, ShapesAtTheirQuarterPoints) {
    const struct {
        int shape;
        double position;
        float value;
        float tolerance;
    } cases[] = {
        {ZoWavetable::kSine, 0.0, 0.0f, 1e-6f},
        {ZoWavetable::kSine, 8192.0, 1.0f, 0.0f},
        {ZoWavetable::kSine, 16384.0, 0.0f, 1e-6f},
        {ZoWavetable::kSine, 24576.0, -1.0f, 0.0f},
        {ZoWavetable::kTriangle, 0.0, 0.0f, 0.0f},
        {ZoWavetable::kTriangle, 8192.0, 1.0f, 0.0f},
        {ZoWavetable::kTriangle, 16384.0, 0.0f, 0.0f},
        {ZoWavetable::kTriangle, 24576.0, -1.0f, 0.0f},
        {ZoWavetable::kTriangle, 4096.0, 0.5f, 0.0f},
        {ZoWavetable::kExp1, 0.0, -1.0f, 1e-6f},
        {ZoWavetable::kExp1, 16384.0, 1.0f, 0.0f},
        {ZoWavetable::kExp1, 32767.0, -0.99909f, 1e-5f},
        {ZoWavetable::kExp2, 0.0, 1.0f, 1e-6f},
        {ZoWavetable::kExp2, 16384.0, -1.0f, 0.0f},
        // Reading wraps every 32768 entries.
        {ZoWavetable::kSine, 32768.0 + 8192.0, 1.0f, 0.0f},
        {ZoWavetable::kTriangle, 3 * 32768.0 + 8192.0, 1.0f, 0.0f},
    };
    ZoLFO lfo;
    for (const auto& c : cases) {
        lfo.setShape(c.shape);
        EXPECT_NEAR(lfo.valueAt(c.position), c.value, c.tolerance)
            << "shape " << c.shape << " at " << c.position;
    }
}

TEST(ZoLFO, GuardEntriesAndInterpolation) {
    const auto& table = ZoWavetable::instance().entries;
    const int section = ZoWavetable::kSection;
    EXPECT_EQ(table[0 * section + 32768], 0.0f);
    EXPECT_EQ(table[1 * section + 32768], 0.0f);
    EXPECT_EQ(table[2 * section + 32768], -0.99999988f);
    EXPECT_EQ(table[3 * section + 32768], 0.99999988f);
    EXPECT_EQ(std::nextafter(std::nextafter(-1.0f, 0.0f), 0.0f), -0.99999988f);

    ZoLFO lfo;
    for (int shape = 0; shape < 4; ++shape) {
        lfo.setShape(shape);
        const float* entries = &table[static_cast<std::size_t>(shape * section)];
        EXPECT_FLOAT_EQ(lfo.valueAt(0.5), 0.5f * (entries[0] + entries[1])) << shape;
        EXPECT_EQ(lfo.valueAt(32768.0), lfo.valueAt(0.0)) << shape;
        EXPECT_FLOAT_EQ(lfo.valueAt(32767.25), 0.75f * entries[32767] + 0.25f * entries[32768])
            << shape;
    }
}

TEST(ZoLFO, ShapeStaysWithinTheFourShapes) {
    ZoLFO lfo;
    for (int wish : {-3, 0, 3, 4, 1000}) {
        lfo.setShape(wish);
        EXPECT_GE(lfo.shape, 0);
        EXPECT_LE(lfo.shape, 3);
        EXPECT_EQ(lfo.table,
                  ZoWavetable::instance().entries.data() + lfo.shape * ZoWavetable::kSection);
    }
}

TEST(ZoLFO, ReducedPhaseReadsAsTheEverGrowingOne) {
    ZoLFO lfo;
    lfo.setSamplingRate(44100.0f);
    lfo.setRate(7.3f);
    lfo.setShape(ZoWavetable::kSine);
    double unreduced = 0.0;
    for (int i = 0; i < 200000; ++i) {
        lfo.advance();
        unreduced += lfo.increment;
        ASSERT_GE(lfo.phase, 0.0);
        ASSERT_LT(lfo.phase, 32768.0);
    }
    // One cycle per 1 / rate seconds: the same position within the table.
    EXPECT_NEAR(lfo.phase, std::fmod(unreduced, 32768.0), 1e-4);
    EXPECT_NEAR(lfo.valueAt(lfo.phase),
                std::sin(2.0 * M_PI * std::fmod(unreduced, 32768.0) / 32768.0), 1e-6);
}

TEST(ZoLFO, OneWavetablePerModuleBuiltOnceAcrossThreads) {
    std::vector<const float*> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&seen, t] {
            ZoLFO lfo;
            seen[t] = lfo.table;
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(std::set<const float*>(seen.begin(), seen.end()).size(), 1u);
}

TEST(ZoLowPass, BypassAboveNineThousandNineHundredNinetyNineHertz) {
    const struct {
        float cutoff;
        bool bypassed;
    } cases[] = {{500.0f, false}, {9999.0f, false}, {9999.5f, true}, {10000.0f, true}};
    for (const auto& c : cases) {
        ZoLowPass lowPass;
        lowPass.setSamplingRate(44100.0f);
        lowPass.setCutoff(c.cutoff);
        EXPECT_EQ(lowPass.bypassed(), c.bypassed) << c.cutoff;
        EXPECT_EQ(lowPass.cutoff, c.cutoff);
        const double p = std::exp(c.cutoff / 44100.0 * -6.28318530718);
        EXPECT_FLOAT_EQ(lowPass.b, static_cast<float>(p)) << "computed even when bypassed";
        EXPECT_FLOAT_EQ(lowPass.a, static_cast<float>(1.0 - p));
    }
}

TEST(ZoLowPass, StagesSettleOnAConstantAndPassItWhenBypassed) {
    ZoLowPass lowPass;
    lowPass.setSamplingRate(44100.0f);
    lowPass.setCutoff(1000.0f);
    float one = 0.0f, two = 0.0f;
    ZoLowPass second;
    second.setSamplingRate(44100.0f);
    second.setCutoff(1000.0f);
    for (int i = 0; i < 5000; ++i) {
        one = lowPass.oneStage(0.5f);
        two = second.twoStage(0.5f);
    }
    EXPECT_NEAR(one, 0.5f, 1e-5f);
    EXPECT_NEAR(two, 0.5f, 1e-5f);

    // The one-stage form flushes a decayed state to zero; the two-stage form does not.
    for (int i = 0; i < 5000; ++i) {
        one = lowPass.oneStage(0.0f);
        two = second.twoStage(0.0f);
    }
    EXPECT_EQ(one, 0.0f);
    EXPECT_EQ(lowPass.secondState, 0.0f);

    second.reset();
    EXPECT_EQ(second.firstState, 0.0f);
    EXPECT_EQ(second.secondState, 0.0f);

    lowPass.setCutoff(10000.0f);
    lowPass.secondState = 0.25f;
    EXPECT_EQ(lowPass.oneStage(0.75f), 0.75f);
    EXPECT_EQ(lowPass.twoStage(-0.5f), -0.5f);
    EXPECT_EQ(lowPass.secondState, 0.25f) << "bypassed: the state does not change";
}

TEST(ZoHighPass, BypassBelowSixtyHertz) {
    const struct {
        float cutoff;
        bool bypassed;
    } cases[] = {{0.0f, true}, {59.9f, true}, {60.0f, false}, {2000.0f, false}};
    for (const auto& c : cases) {
        ZoHighPass highPass;
        highPass.setSamplingRate(44100.0f);
        highPass.setCutoff(c.cutoff);
        EXPECT_EQ(highPass.bypassed(), c.bypassed) << c.cutoff;
    }
    ZoHighPass bypassed;
    bypassed.setCutoff(10.0f);
    EXPECT_EQ(bypassed.step(0.3f), 0.3f);
    EXPECT_EQ(bypassed.x1, 0.0f);
}

TEST(ZoHighPass, StopsAConstantAndPassesTheHighestFrequency) {
    ZoHighPass highPass;
    highPass.setSamplingRate(44100.0f);
    highPass.setCutoff(1000.0f);
    EXPECT_NEAR(double(highPass.a0) + highPass.a1 + highPass.a2, 0.0, 1e-7);
    EXPECT_FLOAT_EQ(highPass.tangent, static_cast<float>(std::tan(1000.0 / 44100.0 * M_PI)));
    float y = 1.0f;
    for (int i = 0; i < 20000; ++i)
        y = highPass.step(1.0f);
    EXPECT_NEAR(y, 0.0f, 1e-6f);

    // The Nyquist frequency, +1 -1 +1 ..., comes out at (almost) full level.
    highPass.reset();
    for (int i = 0; i < 20000; ++i)
        y = highPass.step(i % 2 ? -1.0f : 1.0f);
    EXPECT_NEAR(std::fabs(y), 1.0f, 1e-3f);
}

TEST(ZoAudioPart, DumpsItsFieldsToTheConsole) {
    fxplatform::clearConsoleOutput();
    ZoDelayLine line;
    line.setDelaySamples(5);
    line.dump();
    EXPECT_EQ(fxplatform::consoleOutput(),
              "-----\n-->ZoAudioPart\t[samplingRate        ] = 44100.000000\n"
              "[delayInMilliSecs    ] = 0.000000\t[delayInSamples      ] = 5\n"
              "[delayLinePos        ] = 32762\t[currentSamplePos    ] = 32767\n");
}

} // namespace
