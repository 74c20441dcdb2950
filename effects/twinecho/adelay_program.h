// One program of the two-tap echo: every parameter value as the host last set it, and a
// name.
#pragma once

namespace twinecho {

struct ADelayProgram {
    static constexpr int kNameSize = 24; // 23 characters and the terminator

    float measure = 0.8f;
    float delay1 = 3.0f / 31.0f;
    float delay2 = 5.0f / 31.0f;
    float feedback1 = 0.3f;
    float feedback2 = 0.3f;
    float volume1 = 0.75f;
    float volume2 = 0.75f;
    float tempo = 30.0f / 73.0f;
    float pan1 = 15.0f / 99.0f;
    float pan2 = 85.0f / 99.0f;
    char name[kNameSize] = "Default";
};

} // namespace twinecho
