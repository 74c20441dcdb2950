// The oscillators that fill the LFO's wavetable: ZoOscillator keeps the time, frequency
// and phase bookkeeping; ZoSineOscillator and ZoTriangleOscillator give it a shape. Each
// produces one entry per call of `next` and advances its time by samplePeriod.
#pragma once

#include "zo_audio_part.h"

#include <cmath>
#include <cstdint>

namespace zo {

class ZoOscillator : public ZoAudioPart {
public:
    ZoOscillator() { ZoOscillator::reset(); }

    void reset() override {
        sampleCount = 0;
        time = 0.0f;
        phase = 0.0f;
        phaseShift = 360.0f;
        recalc();
    }
    void recalc() override {
        angularStep = static_cast<float>(cycleLength() * double(frequency));
        phaseTerm =
            static_cast<float>(cycleLength() * (double(phase) + double(phaseShift)) / 360.0);
    }
    virtual float getFrequency() { return frequency; }
    virtual void setFrequency(float hertz) {
        frequency = hertz;
        recalc();
    }
    // The length of one cycle in the shape's own angle unit.
    virtual double cycleLength() { return 1.0; }
    // The entry at the current time; then the time moves on by one sample.
    virtual float next() { return advanceTime(0.0f); }

    float frequency = 1.0f;
    float time = 0.0f; // seconds since reset
    std::int32_t sampleCount = 0;
    float phase = 0.0f;      // degrees
    float phaseShift = 0.0f; // degrees
    float phaseTerm = 0.0f;
    float angularStep = 0.0f;

protected:
    ~ZoOscillator() = default;

    float advanceTime(float value) {
        time += samplePeriod;
        ++sampleCount;
        return value;
    }
};

class ZoSineOscillator : public ZoOscillator {
public:
    ZoSineOscillator() { reset(); }

    double cycleLength() override { return double(6.2831855f); } // 2 pi in single precision
    float next() override {
        const double angle = double(angularStep) * double(time) + double(phaseTerm);
        return advanceTime(static_cast<float>(std::sin(angle)));
    }
};

class ZoTriangleOscillator : public ZoOscillator {
public:
    ZoTriangleOscillator() { reset(); }

    double cycleLength() override { return 4.0; }
    // Four units per cycle; one unit more than the phase term starts it at zero heading
    // upward, in step with the sine.
    float next() override {
        const float x = angularStep * time + phaseTerm + 1.0f;
        const float r = x - 4.0f * std::floor(x / 4.0f);
        return advanceTime(r < 2.0f ? r - 1.0f : 3.0f - r);
    }
};

} // namespace zo
