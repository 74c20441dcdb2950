// The squeezer's level detector: a peak follower that rises toward a louder level by the
// attack coefficient per sample and otherwise decays toward zero by the release factor
// (not toward the level: the release always runs out to silence).
#pragma once

namespace squeezer {

class LevelDetector {
public:
    // Main thread: the coefficients as the parameter laws give them.
    void setAttack(float coefficient) { attack = coefficient; }
    void setRelease(float coefficient) { releaseFactor = 1.0 - double(coefficient); }
    void reset() { envelope = 0.0f; }

    // Audio thread: one sample's peak level in, the detected level out.
    float step(float peak) {
        const double e = envelope;
        const double rising = e + attack * (double(peak) - e);
        const double falling = e * releaseFactor;
        envelope = static_cast<float>(peak > envelope ? rising : falling);
        return envelope;
    }

    float envelope = 0.0f;

private:
    double attack = 1.0;
    double releaseFactor = 1.0;
};

} // namespace squeezer
