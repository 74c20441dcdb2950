// ZoAudioPart: what every processing block of the toolkit shares: its own sampling rate
// with the two quantities derived from it, the bypass flag that the filters use, and the
// virtual set-up operations. The per-sample steps of the blocks are not virtual; the
// effects run them inline in their sample loops.
//
// Blocks are members of their effect and die with it, so the destructor is not virtual
// (and is protected, so that nothing deletes a block through this class).
#pragma once

#include "console.h"

#include <cstdint>
#include <cstdio>

namespace zo {

// A diagnostic text for the console layer. Never called on a path a host reaches.
inline void debugPrint(const char* text) {
    fxplatform::debugPrint(text);
}

// Field lines of the dumps, "[name                ] = value", formatted into one
// module-wide buffer (the longest line is under 40 characters).
inline char* dumpBuffer() {
    static char buffer[96];
    return buffer;
}
inline void dumpField(const char* name, double value) {
    std::snprintf(dumpBuffer(), 96, "[%-20s] = %f", name, value);
    debugPrint(dumpBuffer());
}
inline void dumpField(const char* name, std::int32_t value) {
    std::snprintf(dumpBuffer(), 96, "[%-20s] = %d", name, value);
    debugPrint(dumpBuffer());
}

class ZoAudioPart {
public:
    // Main thread (effect construction).
    ZoAudioPart() {
        computeRates();
        // Derived classes do their own set-up; this is still the base's recalc.
        ZoAudioPart::recalc();
    }

    // Main thread, like every operation below: construction and sample-rate changes.
    virtual float getSamplingRate() { return samplingRate; }
    virtual void setSamplingRate(float rate) {
        samplingRate = rate;
        computeRates();
        recalc();
    }
    // Clears the block's memory (its rings, its filter states).
    virtual void reset() {}
    virtual float getSamplePeriod() { return samplePeriod; }
    virtual float getMsPerSample() { return msPerSample; }
    virtual void computeRates() {
        samplePeriod = static_cast<float>(1.0 / getSamplingRate());
        msPerSample = static_cast<float>(1000.0 / getSamplingRate());
    }
    // Recomputes what depends on the sampling rate.
    virtual void recalc() {}
    virtual void dump() {
        dumpHeader("-->ZoAudioPart");
        debugPrint("\n");
    }

    float samplingRate = 44100.0f;
    float samplePeriod = 0.0f; // seconds per sample
    float msPerSample = 0.0f;  // milliseconds per sample
    std::int32_t bypass = 0;   // filters only: -1 passes the input unchanged

protected:
    ~ZoAudioPart() = default;
    ZoAudioPart(const ZoAudioPart&) = default;
    ZoAudioPart& operator=(const ZoAudioPart&) = default;

    // The dump's first lines, shared by the blocks that extend it.
    void dumpHeader(const char* title) {
        debugPrint("-----");
        debugPrint("\n");
        debugPrint(title);
        debugPrint("\t");
        dumpField("samplingRate", static_cast<double>(samplingRate));
    }
};

} // namespace zo
