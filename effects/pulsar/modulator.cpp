#include "modulator.h"

namespace pulsar {

namespace {

// The display texts, in fixed 10-byte slots.
constexpr char kWaveNames[kNumWaves][10] = {"SINE", "SQUARE", "TRI", "SAW UP", "SAW DN"};

} // namespace

const char* waveName(int wave) {
    return wave >= 0 && wave < kNumWaves ? kWaveNames[wave] : "";
}

std::int8_t waveFromValue(float value) {
    if (!(value > 0.0f)) return kSine;
    if (value >= 1.0f) return kSawDown;
    return static_cast<std::int8_t>(double(value) * 5.0);
}

float valueFromWave(int wave) {
    return static_cast<float>(wave) * 0.2f;
}

} // namespace pulsar
