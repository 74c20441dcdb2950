// The echo's sine modulator on its own: table shape, period law and stepping.

#include "modulator.h"

#include <gtest/gtest.h>

#include <memory>

using driftecho::Modulator;

namespace {

std::unique_ptr<Modulator> makeModulator(float speed, float width) {
    return std::make_unique<Modulator>(44100.0f, speed, 0.5f, width);
}

// Ticks until the table entry changes; returns the number of ticks taken.
int ticksUntilStep(Modulator& m) {
    const float before = m.getValue();
    int ticks = 0;
    do {
        m.tick();
        ++ticks;
    } while (m.getValue() == before && ticks < 100000);
    return ticks;
}

TEST(DriftModulator, TableSpansTheWidthAroundOneHalf) {
    auto flat = makeModulator(1.0f, 0.0f);
    for (int i = 0; i < 4000; ++i, flat->tick()) ASSERT_EQ(flat->getValue(), 0.5f);

    auto full = makeModulator(1000.0f, 1.0f); // period 0: one entry per tick
    ASSERT_EQ(full->getPeriod(), 0);
    float lowest = 1.0f, highest = 0.0f;
    EXPECT_EQ(full->getValue(), 0.5f) << "entry 0";
    for (int i = 1; i < Modulator::kTableLength; ++i) {
        full->tick();
        lowest = std::min(lowest, full->getValue());
        highest = std::max(highest, full->getValue());
        if (i == 500) {
            EXPECT_FLOAT_EQ(full->getValue(), 1.0f);
        }
        if (i == 1500) {
            EXPECT_NEAR(full->getValue(), 0.0f, 1e-6f);
        }
    }
    EXPECT_GE(lowest, 0.0f);
    EXPECT_LE(highest, 1.0f);
    full->tick();
    EXPECT_EQ(full->getValue(), 0.5f) << "wraps to entry 0";
}

TEST(DriftModulator, PeriodIsTheTruncatedSampleCountPerEntry) {
    const struct {
        float speed;
        int period;
    } cases[] = {{0.505f, 43}, {1.0f, 22}, {20.0f, 1}, {0.15f, 147}, {0.01f, 2205}, {23.0f, 0}};
    for (const auto& c : cases) EXPECT_EQ(makeModulator(c.speed, 1.0f)->getPeriod(), c.period) << c.speed;
}

TEST(DriftModulator, SpeedsWithoutAPeriodHoldTheTableStill) {
    for (float speed : {0.0f, -1.0f, NAN}) {
        auto m = makeModulator(speed, 1.0f);
        const float start = m->getValue();
        for (int i = 0; i < 10000; ++i) m->tick();
        EXPECT_EQ(m->getValue(), start) << speed;
    }
}

TEST(DriftModulator, EachEntryIsHeldForPeriodPlusOneTicks) {
    auto m = makeModulator(1.0f, 1.0f);
    m->setSpeed(0.0005f * 44100.0f / 3.5f); // period 3
    ASSERT_EQ(m->getPeriod(), 3);
    EXPECT_EQ(ticksUntilStep(*m), 4);
    EXPECT_EQ(ticksUntilStep(*m), 4);
    EXPECT_EQ(ticksUntilStep(*m), 4);
}

TEST(DriftModulator, ShorterPeriodStepsAtTheNextTick) {
    auto m = makeModulator(0.01f, 1.0f); // period 2205
    for (int i = 0; i < 100; ++i) m->tick();
    m->setSpeed(20.0f); // period 1, below the count reached
    const float before = m->getValue();
    m->tick();
    EXPECT_NE(m->getValue(), before);
}

TEST(DriftModulator, NewWidthKeepsThePosition) {
    auto m = makeModulator(1000.0f, 1.0f);
    for (int i = 0; i < 250; ++i) m->tick(); // entry 250: sin = 1/sqrt(2)
    const float atFullWidth = m->getValue();
    m->setWidth(0.5f);
    EXPECT_NEAR(m->getValue() - 0.5f, (atFullWidth - 0.5f) * 0.5f, 1e-6f);
}

} // namespace
