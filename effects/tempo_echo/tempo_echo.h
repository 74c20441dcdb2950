// Rules shared by the tempo-synchronised echoes (driftecho, twinecho): how a tempo, a
// division of the beat and a number of divisions become a delay in whole samples, and
// how a pan and a volume become the gains of the two outputs. Each echo keeps its own
// classes and ring lengths; the ring length is the one difference passed in.
#pragma once

#include "normalized.h"

namespace tempo_echo {

// The integer part of a product formed in double from the value brought into range.
inline int scaled(double factor, float value) {
    return static_cast<int>(factor * unitRange(value));
}

// 30 to 250 beats per minute.
inline int beatsPerMinute(float tempo) {
    return scaled(220.0, tempo) + 30;
}

// The beat divided into 16 down to 1 parts.
inline int divisionsOfBeat(float measure) {
    return 16 - scaled(15.0, measure);
}

// 1 to 32 of those parts; the display shows one less.
inline int delayUnits(float delay) {
    return scaled(31.0, delay) + 1;
}

// The delay of `units` divisions of a beat, in whole samples, at the host's rate
// truncated to an integer; held below `ringLength` so that it never reaches the ring's
// length. Integer divisions truncate, as the displayed numbers do.
inline int delaySamples(float sampleRate, float tempo, float measure, float delay, int ringLength) {
    // A rate no host uses (zero, negative, NaN or absurdly high) is kept where the beat
    // cannot overflow; the clamp below takes care of the rest.
    const long long wholeRate =
        sampleRate > 0.0f ? (sampleRate < 1e9f ? static_cast<long long>(sampleRate) : 1000000000LL)
                          : 0;
    const long long beat = wholeRate * 60 / beatsPerMinute(tempo);
    const long long samples = delayUnits(delay) * beat / divisionsOfBeat(measure);
    return static_cast<int>(samples < ringLength - 1 ? samples : ringLength - 1);
}

struct Gains {
    float left;
    float right;
};

// Below the centre the left output keeps the volume and the right is scaled by 2 x pan;
// from the centre up the right keeps it and the left fades out.
inline Gains panGains(float pan, float volume) {
    const double p = unitRange(pan);
    const double v = unitRange(volume);
    if (p < 0.5) return {static_cast<float>(v), static_cast<float>(2.0 * p * v)};
    return {static_cast<float>((1.0 - 2.0 * (p - 0.5)) * v), static_cast<float>(v)};
}

} // namespace tempo_echo
