// The sweep of swirl's delay: a position that moves between a bottom and a top, either
// as a triangle or as a raised cosine read from CosTable. A position p means a delay of
// 333 x p samples. The effect moves the sweep on every second sample only, once
// `countdown` has run out.
#pragma once

#include "cos_table.h"

namespace swirl {

struct Sweep {
    // Per-update step sizes for a full sweep from bottom to top in `sweepTime` x 20 s
    // (triangle) and a raised-cosine pass in about twice that, at 44100 Hz.
    static constexpr double kTriangleRatePerRange = 2.267e-06;
    static constexpr double kSineRate = 0.0005792185;
    // Where the raised-cosine phase turns, in table entries. The whole-sample path walks
    // one entry further than the interpolating one, which reads the entry after.
    static constexpr float kPhaseBottom = 1.0f;
    static constexpr float kPhaseTopInterpolated = 510.0f;
    static constexpr float kPhaseTopWhole = 511.0f;

    int countdown = 100; // samples until the next move: 100 at first, then 1 and 0 in turn
    float triangleStep = 0.0f;
    float sineStep = 0.0f;
    float position = 0.0f;
    float sinePhase = 0.0f; // in table entries
    float minPosition = 0.0f;
    float maxPosition = 0.0f;
    float triangleRate = 0.0f;
    float sineRate = 0.0f;

    // Main thread. `sweepTime` is at least 0.015.
    void setRates(float sweepTime) {
        triangleRate = static_cast<float>((double(maxPosition) - double(minPosition)) *
                                          kTriangleRatePerRange / double(sweepTime));
        sineRate = static_cast<float>(kSineRate / double(sweepTime));
    }

    // Turns at the bounds, each tested on the position before the step, the top last;
    // in between the step keeps its direction, so the position overshoots a bound by
    // less than one step before it turns. (Turns are rare: a branch, rather than a
    // select that every step would wait for.)
    void stepTriangle() {
        if (position <= minPosition || position >= maxPosition) [[unlikely]] {
            if (position <= minPosition) triangleStep = triangleRate;
            if (position >= maxPosition) triangleStep = -triangleRate;
        }
        position += triangleStep;
    }

    // The phase walks back and forth across the table; each pass is one raised-cosine
    // period, bottom to top and back. `kWholeEntries` reads the entry below the phase;
    // otherwise the two entries around it are interpolated.
    template <bool kWholeEntries> void stepCosine(const CosTable& table) {
        constexpr float kTop = kWholeEntries ? kPhaseTopWhole : kPhaseTopInterpolated;
        if (sinePhase <= kPhaseBottom || sinePhase >= kTop) [[unlikely]] {
            if (sinePhase <= kPhaseBottom) sineStep = sineRate;
            if (sinePhase >= kTop) sineStep = -sineRate;
        }
        sinePhase += sineStep;
        const int entry = static_cast<int>(sinePhase); // the phase is never negative
        double shape;
        if constexpr (kWholeEntries) {
            shape = table[entry];
        } else {
            const double fraction = double(sinePhase) - entry;
            shape = (1.0 - fraction) * table[entry] + fraction * table[entry + 1];
        }
        position = static_cast<float>(minPosition + (double(maxPosition) - minPosition) * shape);
    }
};

} // namespace swirl
