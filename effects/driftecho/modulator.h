// The echo's low-frequency oscillator: one sine cycle of 2000 entries centred on 0.5,
// walked one entry per `period` + 1 samples. Speed changes take effect from the current
// position; nothing is evaluated per sample but a count and a table read.
#pragma once

#include <cmath>

namespace driftecho {

class Modulator {
public:
    static constexpr int kTableLength = 2000;

    // Main thread (construction).
    Modulator(float sampleRate, float speed, float reserved, float width)
        : table(), reserved(reserved), width(width), counter(0), index(0), period(0),
          sampleRate(sampleRate) {
        setSpeed(speed);
        initLookupTable();
    }

    // Main thread: rebuilds the whole table from `width`.
    void initLookupTable() {
        constexpr float kStep = 0.00314159272f; // pi / 1000 in single precision
        const double halfWidth = 0.5 * double(width);
        for (int i = 0; i < kTableLength; ++i)
            table[i] = static_cast<float>(0.5 + halfWidth * std::sin(double(i) * double(kStep)));
    }

    // Main thread. Speed in hertz; the entry is held for the truncated number of samples
    // that makes one cycle last 1 / speed seconds, plus one.
    void setSpeed(float speed) {
        constexpr float kSecondsPerEntry = 0.0005f;
        // A speed of zero or below has no period; it holds the table still.
        const double samples = speed > 0.0f
                                   ? double(kSecondsPerEntry) * double(sampleRate) / double(speed)
                                   : double(kSlowestPeriod);
        period = samples >= 0.0 && samples < double(kSlowestPeriod) ? static_cast<int>(samples)
                                                                     : kSlowestPeriod;
    }

    // Main thread.
    void setWidth(float newWidth) {
        width = newWidth;
        initLookupTable();
    }

    // Audio thread: one sample.
    void tick() {
        if (++counter > period) {
            counter = 0;
            if (++index == kTableLength) index = 0;
        }
    }

    float getValue() const { return table[index]; }

    int getPeriod() const { return period; }

private:
    static constexpr int kSlowestPeriod = 1 << 30;

    float table[kTableLength];
    [[maybe_unused]] float reserved; // stored, never read
    float width;
    int counter;
    int index;
    int period;
    float sampleRate;
};

} // namespace driftecho
