// The built-in test signal: clicks, a chord and a sine sweep with silences between them,
// so that echoes, filtering and modulation all show in a picture of the output.
#pragma once

#include <vector>

struct TestSignalLayout {
    static constexpr double kPeak = 0.5;
    static constexpr int kClicks = 3;
};

// Mono samples, `seconds` long at `sampleRate`. The parts keep their share of the
// length, so a longer signal stretches them all; the sweep runs from 20 Hz to 20 kHz or
// to just below the Nyquist frequency when that is lower.
std::vector<float> makeTestSignal(int sampleRate, double seconds);
