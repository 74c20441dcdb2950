// pulsar's low-frequency oscillator: one cycle of a chosen waveform in a table, scaled
// to a depth and lifted by an offset, walked one entry per `step` samples (a fractional
// number; the remainder carries over). Nothing is evaluated per sample but an addition,
// a comparison and a table read; all shaping happens when depth or waveform change.
//
// The table size is fixed at compile time: the shapes need an even size of at least 400
// entries (their edges and returns are 200 entries long), and other sizes do not build.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace pulsar {

// Waveforms, by number.
enum Wave : std::int8_t { kSine, kSquare, kTriangle, kSawUp, kSawDown, kNumWaves };

// Where the waveform's span of `depth` lies.
enum OffsetMode : std::int8_t {
    kFromZero,    // 0 to depth
    kCentred,     // centred on 0.5
    kHangingDown, // 1 - depth to 1
};

// The display text of a waveform: "SINE", "SQUARE", "TRI", "SAW UP", "SAW DN"; an empty
// text for a number that is no waveform.
const char* waveName(int wave);

// The waveform that a normalised value selects: fifths of 0..1, with 1.0 itself giving
// the last. Values outside 0..1 (NaN as 0) select the waveform at the nearer end.
std::int8_t waveFromValue(float value);

// The normalised value that selects a waveform: 0.0, 0.2, 0.4, 0.6 or 0.8.
float valueFromWave(int wave);

template <int tableSize> class Modulator {
    static_assert(tableSize >= 400 && tableSize % 2 == 0,
                  "the waveforms need an even table of at least 400 entries");

public:
    static constexpr int kTableSize = tableSize;

    // Where the oscillator stands, with its step length: all a sample loop needs to walk
    // the table. The loop keeps a copy in locals, which no output store can touch, and
    // hands it back after the block.
    struct Cursor {
        float phase; // samples counted since the last table step
        float step;  // samples per table entry
        int index;   // current table entry

        // Audio thread: one sample. At most one entry per call.
        void tick() {
            phase += 1.0f;
            if (phase >= step) {
                phase -= step;
                if (++index == tableSize) index = 0;
            }
        }
    };

    // Main thread. Speed in hertz at the given sample rate, which stays fixed.
    Modulator(std::int8_t offsetMode, std::int8_t wave, float sampleRate, float speed, float depth)
        : table(), depth(depth), sampleRate(sampleRate), offsetMode(offsetMode), wave(wave) {
        setSpeed(speed);
        initLookupTable();
    }

    // Main thread. The waveform goes on from where it is.
    void setSpeed(float speed) {
        const bool wasStill = position.step == kStandStill;
        const double samplesPerEntry =
            speed > 0.0f && sampleRate > 0.0f
                ? double(sampleRate) / (double(tableSize) * double(speed))
                : double(kStandStill);
        // Faster than one entry per sample is one entry per sample: the remainder of a
        // shorter step would pile up in `phase` and hold back a later, slower speed.
        // Steps that `phase` can never count up to (a speed of zero, below or NaN among
        // them) hold the waveform where it is; it starts counting afresh when it moves.
        if (samplesPerEntry < 1.0)
            position.step = 1.0f;
        else if (samplesPerEntry < double(kLongestStep))
            position.step = static_cast<float>(samplesPerEntry);
        else
            position.step = kStandStill;
        if (wasStill) position.phase = 0.0f;
    }

    // Main thread: rebuilds the table at the current position.
    void setDepth(float newDepth) {
        depth = newDepth;
        initLookupTable();
    }

    // Main thread: rebuilds the table at the current position. A number that is no
    // waveform is kept but leaves the table as it was.
    void setWave(std::int8_t newWave) {
        wave = newWave;
        initLookupTable();
    }

    // Main thread: every entry from `wave`, `depth` and `offsetMode`. Sums and products
    // are formed in double and each entry is stored once.
    void initLookupTable();

    // Audio thread.
    void tick() { position.tick(); }
    float getValue() const { return table[position.index]; }

    Cursor cursor() const { return position; }
    void setCursor(const Cursor& c) { position = c; }
    float valueAt(const Cursor& c) const { return table[c.index]; }

    std::int8_t getWave() const { return wave; }

private:
    // Counting whole samples, `phase` stops growing at 2^24: longer steps would never be
    // completed, and a step of 2^25 marks an oscillator that stands still.
    static constexpr float kLongestStep = 16777216.0f;
    static constexpr float kStandStill = 33554432.0f;

    std::array<float, tableSize> table;
    float depth;
    Cursor position{0.0f, kStandStill, 0};
    float sampleRate;
    std::int8_t offsetMode;
    std::int8_t wave;
};

template <int tableSize> void Modulator<tableSize>::initLookupTable() {
    if (wave < 0 || wave >= kNumWaves) return;

    constexpr int kEdge = 200;          // entries of a square's edges and a saw's return
    constexpr float kEdgeStep = 0.005f; // 200 of them span the depth
    constexpr float kPi = 3.14159274f;  // pi in single precision
    const double d = depth;
    const double base = offsetMode == kCentred       ? 0.5 - 0.5 * d
                        : offsetMode == kHangingDown ? 1.0 - d
                                                     : 0.0;
    const int half = tableSize / 2;
    float* entry = table.data();
    auto put = [&entry](double value) { *entry++ = static_cast<float>(value); };
    auto fall = [&] {
        for (int j = 0; j < kEdge; ++j)
            put(base + (d - j * double(kEdgeStep) * d));
    };
    auto rise = [&] {
        for (int j = 0; j < kEdge; ++j)
            put(base + j * double(kEdgeStep) * d);
    };

    switch (wave) {
    case kSine: {
        const double increment = 2.0 * double(kPi) / tableSize;
        for (int i = 0; i < tableSize; ++i)
            put(base + (std::sin(i * increment) + 1.0) * (0.5 * d));
        break;
    }
    case kSquare:
        for (int i = 0; i < half - kEdge; ++i)
            put(base + d);
        fall();
        for (int i = 0; i < half - kEdge; ++i)
            put(base);
        rise();
        break;
    case kTriangle:
        for (int i = 0; i < half; ++i)
            put(base + i * d / half);
        for (int i = 0; i < half; ++i)
            put(base + (d - i * d / half));
        break;
    case kSawUp:
        for (int i = 0; i < tableSize - kEdge; ++i)
            put(base + i * d / (tableSize - kEdge));
        fall();
        break;
    case kSawDown:
        for (int i = 0; i < tableSize - kEdge; ++i)
            put(base + (d - i * d / (tableSize - kEdge)));
        rise();
        break;
    default:
        break;
    }
}

} // namespace pulsar
