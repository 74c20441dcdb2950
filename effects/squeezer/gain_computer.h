// The squeezer's gain computer: above the threshold the excess of the detected level over
// it is divided down by the ratio (ratio 0: no compression; ratio 1: a steady level comes
// out at the threshold); at or below the threshold the gain is exactly 1.
#pragma once

namespace squeezer {

class GainComputer {
public:
    // Main thread. The threshold is a linear level above 0; the ratio lies in 0..1.
    void set(float thresholdLevel, float ratioValue) {
        threshold = thresholdLevel;
        ratio = ratioValue;
    }

    // Audio thread: the gain for a detected level, 1.0 or less.
    double gain(float envelope) const {
        const double over = double(envelope) / threshold - 1.0;
        return 1.0 / ((over > 0.0 ? over : 0.0) * ratio + 1.0);
    }

private:
    double threshold = 1.0;
    double ratio = 0.0;
};

} // namespace squeezer
