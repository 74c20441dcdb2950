// ZoLFO: a low-frequency oscillator that reads one of four stored shapes (SINE, TRI,
// EXP1, EXP2) from a module-wide wavetable, with linear interpolation, a rate in hertz
// and a phase offset in degrees for a second reader.
#pragma once

#include "zo_audio_part.h"
#include "zo_delay_line.h"
#include "zo_oscillator.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace zo {

// Four shapes of 32768 entries, each followed by a guard entry that makes the entry after
// the last one readable by the interpolation.
struct ZoWavetable {
    static constexpr std::int32_t kLength = 32768;
    static constexpr std::int32_t kSection = kLength + 1;
    static constexpr std::int32_t kShapes = 4;
    enum Shape { kSine, kTriangle, kExp1, kExp2 };

    std::array<float, kShapes * kSection> entries;

    ZoWavetable() {
        ZoSineOscillator sine;
        ZoTriangleOscillator triangle;
        for (ZoOscillator* oscillator :
             {static_cast<ZoOscillator*>(&sine), static_cast<ZoOscillator*>(&triangle)}) {
            oscillator->setFrequency(1.0f);
            oscillator->setSamplingRate(float(kLength));
            oscillator->reset();
        }
        float* sineSection = &entries[kSine * kSection];
        float* triangleSection = &entries[kTriangle * kSection];
        float* exp1Section = &entries[kExp1 * kSection];
        float* exp2Section = &entries[kExp2 * kSection];
        // A parabola over v from -sqrt(2) to sqrt(2), v stepped in single precision.
        float v = -1.41421354f;
        const float step = 2.8284270763397217f / float(kLength);
        for (std::int32_t i = 0; i < kLength; ++i) {
            sineSection[i] = sine.next();
            triangleSection[i] = triangle.next();
            const double square = double(v) * double(v);
            exp1Section[i] = static_cast<float>(1.0 - square);
            exp2Section[i] = static_cast<float>(square - 1.0);
            v += step;
        }
        sineSection[kLength] = 0.0f;
        triangleSection[kLength] = 0.0f;
        exp1Section[kLength] = -0.99999988f;
        exp2Section[kLength] = 0.99999988f;
    }

    // Built by the first LFO of the module, safely when instances are created on several
    // threads at once, and kept until the module is unloaded (zo_wavetable.cpp).
    static const ZoWavetable& instance();
};

class ZoLFO : public ZoAudioPart {
public:
    // Main thread.
    ZoLFO() {
        buildTables();
        setRate(1.0f);
        reset();
        recalc();
    }

    // Main thread, like all set-up below.
    void reset() override {
        phase = 0.0;
        recalc();
    }
    void recalc() override {
        // Reduced modulo the table: the same positions, without a rate faster than the
        // table ever carrying phase beyond one wrap per sample.
        const double entries = double(rate) * double(samplePeriod) * 32768.0;
        increment = std::fmod(entries, 32768.0);
        if (!(increment >= 0.0)) increment = 0.0; // a rate or period that is no number
        phaseOffset = static_cast<float>(double(phaseDegrees) * 32768.0 * 0.0027777);
    }
    virtual float getRate() { return rate; }
    virtual void setRate(float hertz) {
        rate = hertz >= 0.001f ? hertz : 0.001f; // NaN too
        recalc();
    }

    // Selects shape n (0 SINE, 1 TRI, 2 EXP1, 3 EXP2); other values are held to 0..3.
    void setShape(std::int32_t n) {
        shape = n < 0 ? 0 : (n >= shapeCount ? shapeCount - 1 : n);
        table = ZoWavetable::instance().entries.data() + shape * ZoWavetable::kSection;
    }

    // The wave at a position in table entries (anywhere inside the int32 range),
    // interpolated between neighbouring entries; it repeats every 32768 entries.
    float valueAt(double position) const { return readAt(table, mask, position); }
    static float readAt(const float* table, std::int32_t mask, double position) {
        const std::int32_t i = floorToInt(position);
        const double f = position - i;
        const std::int32_t k = i & mask;
        return static_cast<float>(table[k] * (1.0 - f) + table[k + 1] * f);
    }
    void advance() { phase = nextPhase(phase, increment); }
    // phase stays within one table length: the same table positions as an ever-growing
    // phase, without its loss of precision over long sessions.
    static double nextPhase(double phase, double increment) {
        phase += increment;
        return phase >= 32768.0 ? phase - 32768.0 : phase;
    }

    // The oscillator as locals of an effect's sample loop.
    struct Reader {
        const float* table;
        std::int32_t mask;
        double phase;
        double increment;
        double offset;

        float value() const { return readAt(table, mask, phase); }
        float shiftedValue() const { return readAt(table, mask, phase + offset); }
        void advance() { phase = nextPhase(phase, increment); }
    };
    Reader reader() const { return {table, mask, phase, increment, double(phaseOffset)}; }
    void keep(const Reader& r) { phase = r.phase; }

    float rate = 1.0f;      // hertz, never below 0.001
    double phase = 0.0;     // position in table entries, 0 to 32768
    double increment = 0.0; // entries per sample
    const float* table = nullptr;
    std::int32_t mask = ZoWavetable::kLength - 1;
    std::int32_t shapeCount = ZoWavetable::kShapes;
    std::int32_t tableLength = ZoWavetable::kLength;
    float tableLengthFloat = float(ZoWavetable::kLength);
    std::int32_t shape = 0;
    float phaseDegrees = 0.0f; // offset of the second reader
    float phaseOffset = 0.0f;  // the same in table entries

private:
    void buildTables() { setShape(0); }
};

} // namespace zo
