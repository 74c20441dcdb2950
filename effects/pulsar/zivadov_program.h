// One program of the tremolo: every parameter value as the host last set it, and a name.
#pragma once

#include "modulator.h"

namespace pulsar {

struct ZivadovProgram {
    static constexpr int kNameSize = 36; // 35 characters and the terminator

    float speed = 0.65f;
    float depth = 0.75f;
    float volume = 1.0f;
    float pan = 0.5f;
    float panSpeed = 0.15f;
    float panWidth = 0.5f;
    float wave = valueFromWave(kSine);
    float panWave = valueFromWave(kSquare);
    char name[kNameSize] = "Default";
};

} // namespace pulsar
