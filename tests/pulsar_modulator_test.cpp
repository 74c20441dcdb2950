// The tremolo's waveform oscillator on its own: table shapes and offsets, the waveform
// numbers and texts, and its stepping.

#include "modulator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

using namespace pulsar;

namespace {

using Oscillator = Modulator<4000>;
constexpr int N = Oscillator::kTableSize;

// At 4000 samples per second and 1 Hz, the oscillator moves one entry per tick.
std::unique_ptr<Oscillator> entryPerTick(std::int8_t mode, std::int8_t wave, float depth) {
    return std::make_unique<Oscillator>(mode, wave, 4000.0f, 1.0f, depth);
}

// The whole table, entry 0 first, read by ticking once per entry.
std::vector<float> tableOf(Oscillator& m) {
    std::vector<float> entries;
    for (int i = 0; i < N; ++i, m.tick())
        entries.push_back(m.getValue());
    return entries;
}

// Ticks until the entry changes; returns the number of ticks taken.
int ticksUntilStep(Oscillator& m) {
    const float before = m.getValue();
    int ticks = 0;
    do {
        m.tick();
        ++ticks;
    } while (m.getValue() == before && ticks < 1000000);
    return ticks;
}

TEST(PulsarModulator, EachWaveformHasItsShapeEntryByEntry) {
    const double pi = double(3.14159274f);
    const struct {
        std::int8_t wave;
        std::function<double(int)> entry;
    } shapes[] = {
        {kSine, [&](int i) { return 0.5 * (std::sin(i * 2.0 * pi / N) + 1.0); }},
        {kSquare,
         [](int i) {
             if (i < 1800) return 1.0;                      // high
             if (i < 2000) return 1.0 - (i - 1800) * 0.005; // 200-entry fall
             if (i < 3800) return 0.0;                      // low
             return (i - 3800) * 0.005;                     // 200-entry rise
         }},
        {kTriangle, [](int i) { return i < 2000 ? i / 2000.0 : 1.0 - (i - 2000) / 2000.0; }},
        {kSawUp, [](int i) { return i < 3800 ? i / 3800.0 : 1.0 - (i - 3800) * 0.005; }},
        {kSawDown, [](int i) { return i < 3800 ? 1.0 - i / 3800.0 : (i - 3800) * 0.005; }},
    };
    for (const auto& shape : shapes) {
        auto m = entryPerTick(kFromZero, shape.wave, 1.0f);
        const auto table = tableOf(*m);
        for (int i = 0; i < N; ++i)
            ASSERT_NEAR(table[i], shape.entry(i), 1e-6) << waveName(shape.wave) << " entry " << i;
        EXPECT_EQ(m->getValue(), table[0]) << "wraps to entry 0";
    }
}

TEST(PulsarModulator, OffsetModePlacesTheDepth) {
    const struct {
        std::int8_t mode;
        float depth, lowest, highest;
    } cases[] = {
        {kHangingDown, 0.75f, 0.25f, 1.0f},
        {kCentred, 0.5f, 0.25f, 0.75f},
        {kFromZero, 0.5f, 0.0f, 0.5f},
        {kHangingDown, 0.0f, 1.0f, 1.0f},
        {kCentred, 0.0f, 0.5f, 0.5f},
        {kFromZero, 0.0f, 0.0f, 0.0f},
        {7, 0.5f, 0.0f, 0.5f}, // no such mode: as from zero
    };
    for (const auto& c : cases)
        for (std::int8_t wave = 0; wave < kNumWaves; ++wave) {
            auto m = entryPerTick(c.mode, wave, c.depth);
            const auto table = tableOf(*m);
            const auto [lowest, highest] = std::minmax_element(table.begin(), table.end());
            EXPECT_NEAR(*lowest, c.lowest, 1e-6f)
                << "mode " << int(c.mode) << " " << waveName(wave);
            EXPECT_NEAR(*highest, c.highest, 1e-6f)
                << "mode " << int(c.mode) << " " << waveName(wave);
        }
}

TEST(PulsarModulator, WaveNumbersValuesAndTexts) {
    const char* names[] = {"SINE", "SQUARE", "TRI", "SAW UP", "SAW DN"};
    for (int w = 0; w < kNumWaves; ++w) {
        EXPECT_STREQ(waveName(w), names[w]);
        EXPECT_EQ(waveFromValue(valueFromWave(w)), w) << "round trip";
    }
    EXPECT_EQ(valueFromWave(kSawDown), 0.8f);
    EXPECT_STREQ(waveName(-1), "");
    EXPECT_STREQ(waveName(5), "");
    EXPECT_STREQ(waveName(127), "");

    const struct {
        float value;
        int wave;
    } cases[] = {
        {0.0f, 0},
        {0.19999f, 0},
        {0.2f, 1},
        {0.39f, 1},
        {0.4f, 2},
        {0.6f, 3},
        {0.79f, 3},
        {0.8f, 4},
        {1.0f, 4},
        {0.99999f, 4},
        // Outside 0..1: the nearer end.
        {NAN, 0},
        {-1.0f, 0},
        {-INFINITY, 0},
        {1.5f, 4},
        {INFINITY, 4},
        {1e30f, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(waveFromValue(c.value), c.wave) << c.value;
}

TEST(PulsarModulator, UnknownWaveIsKeptButLeavesTheTable) {
    auto m = entryPerTick(kFromZero, kTriangle, 1.0f);
    const auto triangle = tableOf(*m);
    for (std::int8_t wave : {std::int8_t(5), std::int8_t(-1), std::int8_t(127)}) {
        m->setWave(wave);
        EXPECT_EQ(m->getWave(), wave);
        EXPECT_EQ(tableOf(*m), triangle);
    }
}

// At 44100 Hz a 4000-entry cycle at 10 Hz steps every 1.1025 samples.
TEST(PulsarModulator, CycleLastsTheSampleRateOverTheSpeed) {
    const struct {
        float speed;
        int cycle;
    } cases[] = {{10.0f, 4410},
                 {1.0f, 44100},
                 {0.5f, 88200},
                 // Faster than an entry per sample: an entry per sample, 11.025 Hz.
                 {20.0f, 4000},
                 {1000.0f, 4000}};
    for (const auto& c : cases) {
        Oscillator m(kFromZero, kSawUp, 44100.0f, c.speed, 1.0f);
        // The rising ramp reaches entry 0 again, its only value of 0, once a cycle.
        int ticks = 0, wraps = 0, lastWrap = 0;
        float previous = m.getValue();
        std::vector<int> cycles;
        while (wraps < 4) {
            m.tick();
            ++ticks;
            const bool wrapped = m.getValue() == 0.0f && previous != 0.0f;
            previous = m.getValue();
            if (wrapped) {
                if (wraps++ > 0) cycles.push_back(ticks - lastWrap);
                lastWrap = ticks;
            }
        }
        for (int cycle : cycles)
            EXPECT_NEAR(cycle, c.cycle, 1) << c.speed << " Hz";
    }
}

TEST(PulsarModulator, ChangesKeepThePosition) {
    const struct {
        const char* what;
        std::function<void(Oscillator&)> change;
        std::int8_t wave;
        float depth;
    } cases[] = {
        {"speed", [](Oscillator& m) { m.setSpeed(3.0f); }, kSine, 1.0f},
        {"depth", [](Oscillator& m) { m.setDepth(0.25f); }, kSine, 0.25f},
        {"wave", [](Oscillator& m) { m.setWave(kSawDown); }, kSawDown, 1.0f},
    };
    for (const auto& c : cases) {
        auto m = entryPerTick(kHangingDown, kSine, 1.0f);
        for (int i = 0; i < 1234; ++i)
            m->tick();
        c.change(*m);
        auto expected = entryPerTick(kHangingDown, c.wave, c.depth);
        for (int i = 0; i < 1234; ++i)
            expected->tick();
        EXPECT_EQ(m->getValue(), expected->getValue()) << c.what;
    }
}

TEST(PulsarModulator, SpeedsWithoutAStepHoldTheWaveform) {
    for (float speed : {0.0f, -1.0f, NAN, 1e-12f}) {
        Oscillator m(kFromZero, kSawUp, 44100.0f, 1000.0f, 1.0f);
        for (int i = 0; i < 100; ++i)
            m.tick();
        const float held = m.getValue();
        m.setSpeed(speed);
        for (int i = 0; i < 100000; ++i)
            m.tick();
        EXPECT_EQ(m.getValue(), held) << speed;
        // Moving again, it counts its first step from the start.
        m.setSpeed(1.0f); // 11.025 samples per entry
        EXPECT_EQ(ticksUntilStep(m), 12) << speed;
    }
}

// A speed faster than an entry per sample must not leave a backlog that makes a slower
// speed afterwards rush through its table.
TEST(PulsarModulator, SlowerSpeedAfterAFastOneStepsAtItsOwnRate) {
    Oscillator m(kFromZero, kSawUp, 44100.0f, 50.0f, 1.0f);
    for (int i = 0; i < 100000; ++i)
        m.tick();
    m.setSpeed(1.0f); // 11.025 samples per entry
    EXPECT_EQ(ticksUntilStep(m), 12);
    EXPECT_EQ(ticksUntilStep(m), 11);
}

} // namespace
