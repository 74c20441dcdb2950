// One program of the drifting echo: every parameter value as the host last set it, and
// a name.
#pragma once

namespace driftecho {

struct ADelayProgram {
    static constexpr int kNameSize = 24; // 23 characters and the terminator

    float measure = 0.8f;
    float delay = 3.0f / 31.0f;
    float feedback = 0.3f;
    float volume = 0.75f;
    float tempo = 30.0f / 73.0f;
    float pan = 0.5f;
    float modSpeed = 0.25f;
    float modWidth = 0.8f;
    char name[kNameSize] = "Default";
};

} // namespace driftecho
