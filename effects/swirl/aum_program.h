// One program of swirl: every parameter value exactly as the host last set it (before
// any limit is applied), and a name.
#pragma once

namespace swirl {

struct AUMProgram {
    static constexpr int kNameSize = 24; // 23 characters and the terminator

    float delay = 0.1f;
    float feedback = 0.25f;
    float effect = 0.5f;
    float pan = 0.5f;
    float range = 0.2f;
    float sweepTime = 0.2f;
    float sweep = 0.9f;
    char name[kNameSize] = "Vortex Engine";
};

} // namespace swirl
