// ZoEffect: the effect base of the toolkit's effects, between AudioEffect and them. It
// tells the effect when the host changes the sample rate, and then re-applies program 0,
// so that every rate-dependent value (delays in samples, filter coefficients) is
// recomputed from the parameters.
#pragma once

#include "audioeffect.h"

#include <cstdint>

namespace zo {

class ZoEffect : public AudioEffect {
public:
    // The rates the blocks are given: a host's rate outside these (or no number at all)
    // would make delay lengths overflow and coefficients meaningless.
    static constexpr float kLowestRate = 1.0f;
    static constexpr float kHighestRate = 1000000.0f;

    // Main thread.
    ZoEffect(HostCallback host, std::int32_t numPrograms, std::int32_t numParams)
        : AudioEffect(host, numPrograms, numParams) {}

    // Main thread, while processing is stopped; may allocate. Makes program 0 current.
    void setSampleRate(float rate) override {
        // NaN keeps the rate the effect has.
        if (rate == rate)
            sampleRate =
                rate < kLowestRate ? kLowestRate : (rate > kHighestRate ? kHighestRate : rate);
        sampleRateChanged();
        setProgram(0);
    }

    // Main thread, from setSampleRate and the effect's constructor: passes the rate to the
    // blocks and sizes the rings for the longest delay any parameter value can ask.
    virtual void sampleRateChanged() {}
};

} // namespace zo
