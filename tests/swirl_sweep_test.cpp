// swirl's sweep and cosine table on their own: the table's shape, and where the two
// sweeps turn.

#include "sweep.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using swirl::CosTable;
using swirl::Sweep;

namespace {

TEST(SwirlCosTable, HoldsOneRaisedCosinePeriod) {
    const CosTable& table = CosTable::shared();
    EXPECT_EQ(table[0], 0.0f);
    EXPECT_NEAR(table[128], 0.5f, 1e-5f);
    EXPECT_NEAR(table[256], 1.0f, 1e-9f);
    EXPECT_NEAR(table[511], 3.8e-5f, 1e-6f);
    EXPECT_NEAR(table[512], table[0], 1e-6f) << "the guard entry continues the period";
}

TEST(SwirlCosTable, IsOneTableWhicheverThreadAsksFirst) {
    std::vector<const CosTable*> seen(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&seen, t] { seen[t] = &CosTable::shared(); });
    for (auto& thread : threads)
        thread.join();
    for (const CosTable* table : seen)
        EXPECT_EQ(table, &CosTable::shared());
}

Sweep sweepBetween(float bottom, float top) {
    Sweep s;
    s.minPosition = bottom;
    s.maxPosition = top;
    s.position = bottom;
    s.setRates(0.015f);
    return s;
}

TEST(SwirlSweep, TriangleOvershootsEachBoundByLessThanOneStep) {
    Sweep s = sweepBetween(0.1f, 0.2f);
    s.triangleStep = -s.triangleRate; // arriving at the bottom
    float highest = s.position, lowest = s.position;
    for (int i = 0; i < 20000; ++i) { // one and a half sweeps
        s.stepTriangle();
        highest = std::max(highest, s.position);
        lowest = std::min(lowest, s.position);
    }
    EXPECT_GT(highest, s.maxPosition);
    EXPECT_LT(highest, s.maxPosition + s.triangleRate);
    EXPECT_GT(lowest, s.minPosition - s.triangleRate);
}

TEST(SwirlSweep, TriangleWithoutRangeStandsStill) {
    Sweep s = sweepBetween(0.1f, 0.1f);
    s.position = 0.3f; // left there by an earlier, wider sweep
    for (int i = 0; i < 10; ++i)
        s.stepTriangle();
    EXPECT_EQ(s.position, 0.3f);
}

TEST(SwirlSweep, CosinePhaseTurnsAtTheEndsOfTheTable) {
    const CosTable& table = CosTable::shared();
    for (bool whole : {false, true}) {
        Sweep s = sweepBetween(0.01f, 0.21f);
        s.sinePhase = 0.0f;
        float highest = 0.0f, lowest = 1000.0f;
        for (int i = 0; i < 40000; ++i) {
            if (whole)
                s.stepCosine<true>(table);
            else
                s.stepCosine<false>(table);
            highest = std::max(highest, s.sinePhase);
            if (i > 100) lowest = std::min(lowest, s.sinePhase);
            ASSERT_GE(s.position, s.minPosition);
            ASSERT_LE(s.position, s.maxPosition);
        }
        EXPECT_NEAR(highest, whole ? 511.0f : 510.0f, s.sineRate + 1e-3f);
        EXPECT_NEAR(lowest, 1.0f, s.sineRate + 1e-3f);
    }
}

TEST(SwirlSweep, InterpolatingStepStaysInsideTheTableAfterTheWholeStepWentFurther) {
    // The whole-entry sweep turns at 511, the interpolating one reads the entry after the
    // phase: a host that switches paths there reads the guard entry, not past the table.
    Sweep s = sweepBetween(0.01f, 0.21f);
    s.sinePhase = 511.0f + s.sineRate * 0.5f;
    s.sineStep = s.sineRate;
    s.stepCosine<false>(CosTable::shared());
    EXPECT_LT(s.sinePhase, 511.05f);
    EXPECT_NEAR(s.position, s.minPosition, 1e-3f);
}

} // namespace
