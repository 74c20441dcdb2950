// swirl's delay memory: one second of samples at 44100 Hz in a ring. The slot at the
// write index holds the newest sample; the slot d places behind it holds the sample
// written d samples earlier. Reads reach back across the end of the ring.
#pragma once

#include <cstring>

namespace swirl {

class DelayRing {
public:
    static constexpr int kLength = 44100;

    // A delay in samples, 0 to kLength - 1, split into whole samples and the weights of
    // the two slots around it. Worked out once per change of delay, not per read.
    // The delay and the weights are exact in double precision (a float position times
    // 333 needs 33 bits), so the whole samples are those of the true product.
    struct Tap {
        int whole;
        double furtherWeight; // the part of a sample beyond `whole`
        double nearerWeight;
    };

    static Tap tapAt(double delay) {
        const int whole = static_cast<int>(delay);
        const double fraction = delay - static_cast<double>(whole);
        return {whole, fraction, 1.0 - fraction};
    }

    void clear() { std::memset(slots, 0, sizeof slots); }

    static int next(int index) { return index + 1 == kLength ? 0 : index + 1; }

    // Every sample is kept twice, a ring's length apart, so that a read reaching back
    // across the start of the ring finds its slots side by side, without wrapping.
    void write(int writeIndex, float value) {
        slots[writeIndex] = value;
        slots[writeIndex + kLength] = value;
    }

    // Interpolated between the slot `tap.whole` places back and the one before it.
    double readBetween(int writeIndex, Tap tap) const {
        const float* nearer = slots + kLength + writeIndex - tap.whole;
        return tap.furtherWeight * nearer[-1] + tap.nearerWeight * nearer[0];
    }

    // The slot `tap.whole` places back: the delay in whole samples, truncated.
    float readWhole(int writeIndex, Tap tap) const {
        return slots[kLength + writeIndex - tap.whole];
    }

private:
    float slots[2 * kLength];
};

} // namespace swirl
