#include "zo_multi_effect.h"

#include "normalized.h"
#include "parameter_table.h"
#include "zo_flags.h"
#include "zo_pair.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace trio {

namespace {

constexpr std::int32_t kUniqueId = ('T' << 24) | ('r' << 16) | ('n' << 8) | '1';
constexpr double kLongestEchoMs = 1000.0;
constexpr double kLongestChorusMs = 60.0;
constexpr std::size_t kTextSize = 12; // the longest text, "    On/Off ", and the terminator

[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

void showPercent(double value, char* text) {
    showText(text, "   %d%%", static_cast<int>(100.0 * value));
}

void showSwitch(float value, char* text) {
    showText(text, value > 0.0f ? "   On  " : "  Off  ");
}

// The allpass coefficient for a sweep position, as the coefficient field stores it, with
// its powers up to the fourth (in double precision) for the phaser's stage outputs.
struct AllpassPowers {
    double c1, c2;
    float coef;
};

inline AllpassPowers allpassPowers(float position) {
    const float coef = static_cast<float>((1.0 - position) / (1.0 + position));
    const double c1 = coef;
    return {c1, c1 * c1, coef};
}

// A value as a float field keeps it, held in a double.
inline double asStored(double value) {
    return static_cast<float>(value);
}

constexpr ZoMultiEffectProgram defaultProgram() {
    return {{0.5f, 1.0f, 0.4f, 0.6f, 0.2f, 0.25f, 0.25f, 0.5f, 0.8f, 1.0f, 0.2f, 0.4f, 0.3f, 0.5f},
            "Trinity"};
}

} // namespace

// One row per parameter: its texts, the switch that guards it, what a change recomputes
// (from the stored values, so also after an ignored value), and how it is shown while
// its switch is on.
struct ZoMultiEffect::ParameterInfo {
    const char* name;
    const char* label;
    Switch guard;
    void (ZoMultiEffect::*apply)();
    void (*show)(const ZoMultiEffect& effect, float v, char* text);
};

const ZoMultiEffect::ParameterInfo ZoMultiEffect::kParameters[kNumParams] = {
    {"  Phaser ", "  On/Off ", Switch::None, &ZoMultiEffect::applyNothing,
     [](const ZoMultiEffect& e, float, char* t) { showSwitch(e.values[kPhaser], t); }},
    {"Phs Dep ", "    Amt ", Switch::Phaser, &ZoMultiEffect::applyNothing,
     [](const ZoMultiEffect&, float v, char* t) { showPercent(v, t); }},
    {"Phs FdBk ", "    Amt ", Switch::Phaser, &ZoMultiEffect::applyPhaserFeedback,
     [](const ZoMultiEffect& e, float, char* t) { showPercent(e.phaserFeedback, t); }},
    {"Phs Rate ", "    Hz ", Switch::Phaser, &ZoMultiEffect::applyPhaserRate,
     [](const ZoMultiEffect& e, float, char* t) {
         showText(t, "  %.2f", double(e.phaserRateShown));
     }},
    {"   Delay ", "    mSec ", Switch::None, &ZoMultiEffect::applyDelay,
     [](const ZoMultiEffect& e, float, char* t) { showText(t, "  %.2f", double(e.echoMs)); }},
    {"Dly FdBk ", "    Amt ", Switch::None, &ZoMultiEffect::applyNothing,
     [](const ZoMultiEffect&, float v, char* t) { showPercent(v, t); }},
    {"Dly Cutoff", "    Hz ", Switch::None, &ZoMultiEffect::applyDelayCutoff,
     [](const ZoMultiEffect& e, float, char* t) {
         if (e.echoLowPass.bypassed())
             showText(t, "    Off  ");
         else
             showText(t, "  %5d", static_cast<int>(std::floor(e.echoLowPass.cutoff)));
     }},
    {" Dly Level ", "    Amt ", Switch::None, &ZoMultiEffect::applyNothing,
     [](const ZoMultiEffect&, float v, char* t) { showPercent(v, t); }},
    {"Chorus ", "    On/Off ", Switch::None, &ZoMultiEffect::applyNothing,
     [](const ZoMultiEffect& e, float, char* t) { showSwitch(e.values[kChorus], t); }},
    {"Cho Dly ", "    mSec ", Switch::Chorus, &ZoMultiEffect::applyChorusDelay,
     [](const ZoMultiEffect& e, float, char* t) { showText(t, "  %.2f", double(e.chorusMs)); }},
    {"Cho Depth ", "    % ", Switch::Chorus, &ZoMultiEffect::applyChorusDepth,
     [](const ZoMultiEffect&, float v, char* t) { showPercent(v, t); }},
    {"Cho Rate", "    Hz ", Switch::Chorus, &ZoMultiEffect::applyChorusRate,
     [](const ZoMultiEffect& e, float, char* t) { showText(t, "  %.2f", double(e.chorusRateHz)); }},
    {"Cho Fdbk ", "    Amt ", Switch::Chorus, &ZoMultiEffect::applyChorusFeedback,
     [](const ZoMultiEffect& e, float, char* t) { showPercent(e.chorusFeedback, t); }},
};

ZoMultiEffect::ZoMultiEffect(HostCallback host) : ZoEffect(host, kNumPrograms, kNumParams) {
    programs.fill(defaultProgram());
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    canMono(true);
    hasVu(true);
    hasClip(true);
    setUniqueID(kUniqueId);
    sampleRateChanged();
    suspend();
}

bool ZoMultiEffect::isComplete() const {
    return chorusLine.isAllocated() && echoLine.isAllocated();
}

bool ZoMultiEffect::isOn(Switch guard) const {
    switch (guard) {
    case Switch::Phaser:
        return phaserOn();
    case Switch::Chorus:
        return chorusOn();
    case Switch::None:
        break;
    }
    return true;
}

// A stored value brought into 0..1.
float ZoMultiEffect::stored(Parameter p) const {
    return unitRange(values[p]);
}

void ZoMultiEffect::setParameter(std::int32_t index, float value) {
    sweepDirty = 0;
    if (!params::inRange(index, kNumParams)) return;
    const ParameterInfo& p = kParameters[index];
    if (isOn(p.guard)) {
        values[index] = value;
        programs[currentProgram].values[index + 1] = value;
    }
    (this->*p.apply)();
}

float ZoMultiEffect::getParameter(std::int32_t index) {
    return params::storedValue(values, index);
}

void ZoMultiEffect::setProgram(std::int32_t program) {
    if (!params::inRange(program, kNumPrograms)) return;
    currentProgram = program;
    // Each switch comes before the parameters it guards; parameter i is values[i + 1].
    params::replayValues(*this, programs[program].values, 1,
                         {kPhaser, kPhaserDepth, kPhaserFeedback, kPhaserRate, kDelay,
                          kDelayFeedback, kDelayCutoff, kDelayLevel, kChorus, kChorusDelay,
                          kChorusRate, kChorusFeedback, kChorusDepth, kDelay});
}

void ZoMultiEffect::setProgramName(char* name) {
    params::storeName(programs[currentProgram].name, name);
}

void ZoMultiEffect::getProgramName(char* name) {
    std::strcpy(name, programs[currentProgram].name);
}

void ZoMultiEffect::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void ZoMultiEffect::getParameterDisplay(std::int32_t index, char* text) {
    if (!params::inRange(index, kNumParams)) return;
    const ParameterInfo& p = kParameters[index];
    if (isOn(p.guard))
        p.show(*this, unitRange(values[index]), text);
    else
        showText(text, "  Off  ");
}

void ZoMultiEffect::getParameterName(std::int32_t index, char* text) {
    params::copyName(kParameters, index, text);
}

float ZoMultiEffect::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

std::int32_t ZoMultiEffect::delaySamplesFor(double ms) const {
    const std::int32_t samples = zo::wholeSamples(double(sampleRate) * ms * 0.001);
    return samples > 0 ? samples : 1;
}

void ZoMultiEffect::applyPhaserFeedback() {
    phaserFeedback = static_cast<float>(2.0 * stored(kPhaserFeedback) - 1.0);
}

void ZoMultiEffect::applyPhaserRate() {
    const double r = stored(kPhaserRate);
    phaserRateShown = static_cast<float>(10.0 * r * r);
}

void ZoMultiEffect::applyDelay() {
    echoMs = static_cast<float>(kLongestEchoMs * stored(kDelay));
    echoSamples = delaySamplesFor(echoMs);
    echoLine.setDelaySamples(echoSamples);
}

void ZoMultiEffect::applyDelayCutoff() {
    const double v = stored(kDelayCutoff);
    echoLowPass.setCutoff(static_cast<float>(9500.0 * v * v + 500.0));
}

void ZoMultiEffect::applyChorusDelay() {
    chorusMs = static_cast<float>(kLongestChorusMs * stored(kChorusDelay));
    chorusSamples = delaySamplesFor(chorusMs);
    chorusLine.setFractionalDelay(static_cast<float>(chorusSamples));
    chorusMod = static_cast<float>(double(stored(kChorusDepth)) * chorusSamples);
}

void ZoMultiEffect::applyChorusDepth() {
    chorusMod = static_cast<float>(double(stored(kChorusDepth)) * chorusSamples);
}

void ZoMultiEffect::applyChorusRate() {
    const double r = stored(kChorusRate);
    chorusRateHz = static_cast<float>(10.0 * r * r);
    lfo.setRate(chorusRateHz);
}

void ZoMultiEffect::applyChorusFeedback() {
    chorusFeedback = static_cast<float>(2.0 * stored(kChorusFeedback) - 1.0);
}

// The sweep rises from 160 Hz to 160 x 2^(10 x depth) Hz and falls back, exponentially in
// frequency, one cycle taking 1 / (5 x rate) seconds. It goes on from where it stands.
void ZoMultiEffect::recomputeSweep() {
    const double sr = sampleRate;
    const double cyclesPerSecond = 5.0 * stored(kPhaserRate);
    sweepOctaves = static_cast<float>(10.0 * stored(kPhaserDepth));
    sweepBase = 160.0f;
    sweepLow = static_cast<float>(502.6548245744 / sr);
    sweepRange = static_cast<float>(std::pow(2.0, double(sweepOctaves)));
    sweepHigh = static_cast<float>(double(sweepRange) * sweepBase * 3.14159265359 / sr);
    sweepStep = static_cast<float>(std::pow(double(sweepRange), cyclesPerSecond / (0.5 * sr)));
    if (sweepStarted == 0) {
        sweepPosition = sweepLow;
        sweepStarted = 1;
    }
    sweepDirty = 1;
    sweepDirection = sweepStep;
}

void ZoMultiEffect::suspend() {
    echoLine.reset();
    chorusLine.reset();
    echoLowPass.reset();
    echoOut = 0.0f;
    chorusOut = 0.0f;
    phaserOut = 0.0f;
    allpassCoef = 0.0f;
    stageIn.fill(0.0f);
    stageOut.fill(0.0f);
    // The sweep starts again from its lowest frequency, heading upward, with the next block.
    sweepStarted = 0;
    sweepDirty = 0;
}

void ZoMultiEffect::sampleRateChanged() {
    const float rate = sampleRate;
    chorusLine.setSamplingRate(rate);
    echoLine.setSamplingRate(rate);
    echoLowPass.setSamplingRate(rate);
    lfo.setSamplingRate(rate);
    // Rings for the longest delays any parameter value asks at this rate: the chorus
    // swings up to twice its delay and reads one sample beyond that.
    echoLine.allocate(std::max<std::int32_t>(57600, delaySamplesFor(kLongestEchoMs)));
    lfo.setRate(1.0f);
    lfo.setShape(zo::ZoWavetable::kTriangle);
    echoLine.setDelaySamples(50);
    chorusLine.allocate(std::max<std::int32_t>(4800, 2 * delaySamplesFor(kLongestChorusMs) + 1));
}

void ZoMultiEffect::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    if (sweepDirty == 0) recomputeSweep();

    const float* input = inputs[0];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    const bool phaser = phaserOn();
    const bool chorus = chorusOn();
    const double phaserFb = phaserFeedback;
    const double echoFb = stored(kDelayFeedback);
    const double echoLevel = stored(kDelayLevel);
    const double chorusFb = chorusFeedback;
    const double chorusCentre = chorusSamples;
    const double chorusSwing = chorusMod;
    const float low = sweepLow, high = sweepHigh;
    const double stepUp = sweepStep;
    const double stepDown = 1.0 / stepUp;

    // The stage memories as five locals: each stage's previous input is the previous
    // output of the stage before it (the same value, stored the same way), so memory k
    // serves as stage k's previous output and stage k + 1's previous input.
    double memory0 = stageIn[0];
    double memory1 = stageOut[0], memory2 = stageOut[1], memory3 = stageOut[2];
    double memory4 = stageOut[3];
    float position = sweepPosition;
    float direction = sweepDirection;
    float coef = allpassCoef;
    float phased = phaserOut;
    auto loop = echoLowPass.kernel();
    const bool echoFilter = !loop.bypassed;
    auto echo = echoLine.cursor();
    auto line = chorusLine.modCursor();
    auto osc = lfo.reader();
    float echoed = echoOut;
    float chorused = chorusOut;

    // Values that no field keeps stay in double precision from step to step; only what is
    // stored (stage memories, outputs, the rings) is rounded to single precision.
    // The block goes in stretches. The sweep and the chorus delays depend on nothing but
    // themselves, so each stretch first computes them all: the allpass coefficient and its
    // powers for every sample, and the chorus delays from the LFO. The signal path then
    // finds them ready instead of waiting, sample by sample, for the division, the table
    // read and the roundings that lead to them. (The sweep moves only while the phaser is
    // on, the LFO only while the chorus is on.)
    //
    // The four stages are one dependent chain per sample, closed by the feedback of the
    // last stage's output into the next sample's input s. Stage k computes
    //     y(k) = c x y(k - 1) + d(k),   d(k) = c x memory(k) - memory(k - 1),
    // with y(0) = s; the d terms depend only on the previous sample's memories. Unrolled
    // two stages at a time,
    //     y(2) = c^2 x s    + (c x d(1) + d(2)),   y(4) = c^2 x y(2) + (c x d(3) + d(4)),
    // s reaches the last output through two multiplications and two additions instead of
    // four of each. (The same sums in double precision, grouped differently: the values
    // stored in single precision come out the same but for a rare rounding tie.)
    constexpr std::int32_t kStretch = 256;
    zo::ZoModDelayLine::ModCursor::Delay delays[kStretch];
    AllpassPowers sweep[kStretch];
    for (std::int32_t done = 0; done < sampleFrames; done += kStretch) {
        const std::int32_t frames = std::min(kStretch, sampleFrames - done);
        if (phaser) {
            for (std::int32_t k = 0; k < frames; ++k) {
                sweep[k] = allpassPowers(position);
                if (high <= position)
                    direction = static_cast<float>(stepDown);
                else if (low >= position)
                    direction = static_cast<float>(stepUp);
                position = position * direction;
            }
        }
        if (chorus) {
            // The LFO's phase and the delays are never negative, so truncation gives
            // their floors (ZoLFO::valueAt and setFractionalDelay, without the tests).
            for (std::int32_t k = 0; k < frames; ++k) {
                const auto entry = static_cast<std::int32_t>(osc.phase);
                const double between = osc.phase - entry;
                const float* at = osc.table + (entry & osc.mask);
                const float wave = static_cast<float>(at[0] * (1.0 - between) + at[1] * between);
                const float delay = static_cast<float>(chorusCentre + wave * chorusSwing);
                const auto whole = static_cast<std::int32_t>(delay);
                delays[k] = {delay, whole, static_cast<float>(whole)};
                osc.advance();
            }
        }

        // The signal path, made once for each combination of the sections in use, so
        // that no sample tests them.
        const auto signalPath = [&]<bool kPhaser, bool kChorus, bool kEchoFilter>() {
            for (std::int32_t k = 0; k < frames; ++k) {
                const std::int32_t frame = done + k;
                const double x = input[frame];

                // Phaser: four allpass stages on one swept coefficient; the halves add up to x.
                double left = x;
                double right = x;
                if constexpr (kPhaser) {
                    const double s = x + phaserFb * memory4;
                    if (std::fabs(s) < 1e-8f) {
                        memory0 = memory1 = memory2 = memory3 = memory4 = 0.0;
                        phased = 0.0f;
                    } else {
                        const AllpassPowers& p = sweep[k];
                        coef = p.coef;
                        const double d1 = p.c1 * memory1 - memory0;
                        const double d2 = p.c1 * memory2 - memory1;
                        const double d3 = p.c1 * memory3 - memory2;
                        const double d4 = p.c1 * memory4 - memory3;
                        const double y1 = p.c1 * s + d1;
                        const double y2 = p.c2 * s + (p.c1 * d1 + d2);
                        const double y3 = p.c1 * y2 + d3;
                        const double y4 = p.c2 * y2 + (p.c1 * d3 + d4);
                        // Rounded two at a time, in registers.
                        const zo::Pair stored01 = zo::storedAsFloat(zo::pairOf(s, y1));
                        const zo::Pair stored23 = zo::storedAsFloat(zo::pairOf(y2, y3));
                        memory0 = stored01[0];
                        memory1 = stored01[1];
                        memory2 = stored23[0];
                        memory3 = stored23[1];
                        memory4 = asStored(y4);
                        phased = static_cast<float>(memory4);
                    }
                    left = (x + phased) * 0.5;
                    right = (x - phased) * 0.5;
                } else {
                    phased = 0.0f;
                }

                // Delay: the echo in phase on the left, in opposite phase on the right.
                const float fed = static_cast<float>(left + echoFb * echoed);
                const float d = kEchoFilter ? loop.twoStageFiltering(fed) : fed;
                echoed = echo.tick(d);
                const double e = echoLevel * echoed;
                const double left2 = (left + e) * 0.5;
                const double right2 = (right - e) * 0.5;

                // Chorus, fed by the left half alone.
                if constexpr (!kChorus) {
                    chorused = 0.0f;
                    outLeft[frame] = static_cast<float>(outLeft[frame] + left2);
                    outRight[frame] = static_cast<float>(outRight[frame] + right2);
                } else {
                    const double c = left2 + chorusFb * chorused;
                    chorused = std::fabs(c) <= 1e-8f
                                   ? 0.0f
                                   : line.tickInterpolated(static_cast<float>(c), delays[k]);
                    outLeft[frame] = static_cast<float>(outLeft[frame] + chorused + c);
                    outRight[frame] = static_cast<float>(outRight[frame] + chorused - c);
                }
            }
        };
        zo::withFlags(phaser, chorus, echoFilter, signalPath);
        // The chorus delay as the last sample set it.
        if (chorus && frames > 0) line.setDelay(delays[frames - 1]);
    }

    stageIn = {float(memory0), float(memory1), float(memory2), float(memory3)};
    stageOut = {float(memory1), float(memory2), float(memory3), float(memory4)};
    sweepPosition = position;
    sweepDirection = direction;
    allpassCoef = coef;
    phaserOut = phased;
    echoLowPass.keep(loop);
    echoLine.keep(echo);
    chorusLine.keep(line);
    lfo.keep(osc);
    echoOut = echoed;
    chorusOut = chorused;
}

} // namespace trio
