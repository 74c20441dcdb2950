#include "zo_flanger.h"

#include "normalized.h"
#include "parameter_table.h"
#include "zo_flags.h"
#include "zo_pair.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace jetstream {

namespace {

constexpr std::int32_t kUniqueId = ('J' << 24) | ('s' << 16) | ('t' << 8) | '4';
constexpr double kLongestDelayMs = 20.0;
constexpr double kLongestPreDelayMs = 500.0;
constexpr std::size_t kTextSize = 11; // the longest display, "     359\xB0 ", and the terminator

[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

// "   %d%%" of trunc(100 x value).
void showPercent(double value, char* text) {
    showText(text, "   %d%%", static_cast<int>(100.0 * value));
}

// "  <C>  " in the centre, else the side and how far towards it.
void showPan(float v, char* text) {
    const int p = static_cast<int>(200.0 * v - 100.0);
    if (p == 0)
        showText(text, "  <C>  ");
    else if (p < 0)
        showText(text, "  <%d", -p);
    else
        showText(text, "  %d>", p);
}

void showCutoff(const zo::ZoFilter& filter, char* text) {
    if (filter.bypassed())
        showText(text, "    Off  ");
    else
        showText(text, "  %5d", static_cast<int>(std::floor(filter.cutoff)));
}

constexpr ZoFlangerProgram defaultProgram() {
    return {{0.3f, 0.9f, 0.3f, 0.9f, 0.3f, 0.75f, 0.9f, 0.75f, 0.0f, 0.33f, 0.0f, 0.5f, 0.0f, 0.5f,
             1.0f, 1.0f, 0.5f},
            "Default Flanger"};
}

} // namespace

// One row per parameter: its texts, how a value (already brought into 0..1) is applied,
// and how the parameter is shown from the effect's state and that value.
struct ZoFlanger::ParameterInfo {
    const char* name;
    const char* label;
    void (ZoFlanger::*apply)(float v);
    void (*show)(const ZoFlanger& effect, float v, char* text);
};

const ZoFlanger::ParameterInfo ZoFlanger::kParameters[kNumParams] = {
    {" Delay  A", "   mSec ", &ZoFlanger::applyDelayA,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.delayAMs)); }},
    {" Depth A", " Depth ", &ZoFlanger::applyDepthA,
     [](const ZoFlanger&, float v, char* t) { showPercent(v, t); }},
    {" Delay  B", "   mSec ", &ZoFlanger::applyDelayB,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.delayBMs)); }},
    {" Depth B", " Depth ", &ZoFlanger::applyDepthB,
     [](const ZoFlanger&, float v, char* t) { showPercent(v, t); }},
    {"   Rate ", "  Rate ", &ZoFlanger::applyRate,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.rateHz)); }},
    {" Phase Sep", "  Degrees", &ZoFlanger::applyPhaseSep,
     [](const ZoFlanger&, float v, char* t) {
         showText(t, "     %d\xB0 ", static_cast<int>(359.0 * v));
     }},
    {"FeedBack", "    Amt ", &ZoFlanger::applyFeedback,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.feedback, t); }},
    {" Cutoff", "    Hz ", &ZoFlanger::applyCutoff,
     [](const ZoFlanger& e, float, char* t) { showCutoff(e.lowPassL, t); }},
    {" Lo Cut", "    Hz ", &ZoFlanger::applyLoCut,
     [](const ZoFlanger& e, float, char* t) { showCutoff(e.highPassL, t); }},
    {"  LFO", "  Type", &ZoFlanger::applyLfoType,
     [](const ZoFlanger& e, float, char* t) {
         static const char* const kShapes[] = {"  SINE ", "   TRI ", "  EXP1 ", "  EXP2 "};
         showText(t, "%s", kShapes[e.lfo.shape & 3]);
     }},
    {" PreDelay", "   mSec ", &ZoFlanger::applyPreDelay,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.preDelayMs)); }},
    {" Out A", "     % ", &ZoFlanger::applyOutA,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.outGainA, t); }},
    {" Pan A", "   Pan ", &ZoFlanger::applyPanA,
     [](const ZoFlanger&, float v, char* t) { showPan(v, t); }},
    {" Out B", "     % ", &ZoFlanger::applyOutB,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.outGainB, t); }},
    {" Pan B", "   Pan ", &ZoFlanger::applyPanB,
     [](const ZoFlanger&, float v, char* t) { showPan(v, t); }},
    {" Dry:Wet ", "   Ratio", &ZoFlanger::applyDryWet,
     [](const ZoFlanger&, float v, char* t) {
         showText(t, "   %d:%d ", static_cast<int>(100.0 * (1.0 - v)), static_cast<int>(100.0 * v));
     }},
    {"  Master ", "     % ", &ZoFlanger::applyMaster,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.masterGain, t); }},
};

ZoFlanger::ZoFlanger(HostCallback host) : ZoEffect(host, kNumPrograms, kNumParams) {
    programs.fill(defaultProgram());
    setProgram(0);
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    hasVu(true);
    hasClip(true);
    setUniqueID(kUniqueId);
    sampleRateChanged();
    suspend();
}

bool ZoFlanger::isComplete() const {
    return preDelayL.isAllocated() && preDelayR.isAllocated() && voiceA.isAllocated() &&
           voiceB.isAllocated();
}

void ZoFlanger::setParameter(std::int32_t index, float value) {
    if (!params::inRange(index, kNumParams)) return;
    values[index] = value;
    programs[currentProgram].values[index] = value;
    (this->*kParameters[index].apply)(unitRange(value));
}

float ZoFlanger::getParameter(std::int32_t index) {
    return params::storedValue(values, index);
}

void ZoFlanger::setProgram(std::int32_t program) {
    if (!params::inRange(program, kNumPrograms)) return;
    currentProgram = program;
    params::replayValues(*this, programs[program].values, 0,
                         {kRate, kDepthA, kDelayA, kDepthB, kDelayB, kPhaseSep, kFeedback, kCutoff,
                          kLfoType, kLoCut, kPreDelay, kDryWet, kMaster, kPanA, kPanB, kOutA,
                          kOutB});
}

void ZoFlanger::setProgramName(char* name) {
    params::storeName(programs[currentProgram].name, name);
}

void ZoFlanger::getProgramName(char* name) {
    std::strcpy(name, programs[currentProgram].name);
}

void ZoFlanger::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void ZoFlanger::getParameterDisplay(std::int32_t index, char* text) {
    if (params::inRange(index, kNumParams))
        kParameters[index].show(*this, unitRange(values[index]), text);
}

void ZoFlanger::getParameterName(std::int32_t index, char* text) {
    // The two indices just past the table answer "Unknown".
    if (index == kNumParams || index == kNumParams + 1)
        std::strcpy(text, "Unknown");
    else
        params::copyName(kParameters, index, text);
}

float ZoFlanger::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

// A delay in milliseconds as whole samples at the effect's rate, at least 1.
std::int32_t ZoFlanger::delaySamplesFor(double ms) const {
    const std::int32_t samples = zo::wholeSamples(double(sampleRate) * ms * 0.001);
    return samples > 0 ? samples : 1;
}

void ZoFlanger::applyDelayA(float v) {
    delayAMs = static_cast<float>(kLongestDelayMs * v * v);
    delayA = delaySamplesFor(delayAMs);
    computeModulation();
}

void ZoFlanger::applyDepthA(float v) {
    depthA = v;
    computeModulation();
}

void ZoFlanger::applyDelayB(float v) {
    delayBMs = static_cast<float>(kLongestDelayMs * v * v);
    delayB = delaySamplesFor(delayBMs);
    computeModulation();
}

void ZoFlanger::applyDepthB(float v) {
    depthB = v;
    computeModulation();
}

void ZoFlanger::computeModulation() {
    modA = static_cast<float>(double(depthA) * delayA);
    modB = static_cast<float>(double(depthB) * delayB);
}

void ZoFlanger::applyRate(float v) {
    rateHz = static_cast<float>(10.0 * v * v);
    lfo.setRate(rateHz);
}

void ZoFlanger::applyPhaseSep(float v) {
    lfo.phaseDegrees = static_cast<float>(359.0 * v);
    lfo.recalc();
}

void ZoFlanger::applyFeedback(float v) {
    feedback = static_cast<float>(2.0 * v - 1.0);
}

void ZoFlanger::applyCutoff(float v) {
    cutoffHz = static_cast<float>(9500.0 * v * v + 500.0);
    lowPassL.setCutoff(cutoffHz);
    lowPassR.setCutoff(cutoffHz);
}

void ZoFlanger::applyLoCut(float v) {
    lowCutHz = static_cast<float>(2000.0 * v);
    highPassL.setCutoff(lowCutHz);
    highPassR.setCutoff(lowCutHz);
}

void ZoFlanger::applyLfoType(float v) {
    // 1.0 would select a fifth shape; it selects the last.
    const float below = v >= 1.0f ? 0.999f : v;
    lfo.setShape(static_cast<std::int32_t>(std::floor(4.0 * below)));
}

void ZoFlanger::applyPreDelay(float v) {
    preDelayMs = static_cast<std::int32_t>(kLongestPreDelayMs * v * v * v);
    preDelaySamples = delaySamplesFor(preDelayMs);
    preDelayL.setDelaySamples(preDelaySamples);
    preDelayR.setDelaySamples(preDelaySamples);
}

void ZoFlanger::applyOutA(float v) {
    outGainA = 2.0f * v;
    computeMixGains();
}

void ZoFlanger::applyPanA(float v) {
    panA = v;
    computeMixGains();
}

void ZoFlanger::applyOutB(float v) {
    outGainB = 2.0f * v;
    computeMixGains();
}

void ZoFlanger::applyPanB(float v) {
    panB = v;
    computeMixGains();
}

void ZoFlanger::applyDryWet(float v) {
    dryWet = v;
    computeMixGains();
}

void ZoFlanger::applyMaster(float v) {
    masterGain = 2.0f * v;
    computeMixGains();
}

// Linear pan; Master scales the voices here and the whole sum again in process.
void ZoFlanger::computeMixGains() {
    gainDry = static_cast<float>(1.0 - dryWet);
    gainAL = static_cast<float>((1.0 - panA) * dryWet * outGainA * masterGain);
    gainAR = static_cast<float>(double(panA) * dryWet * outGainA * masterGain);
    gainBL = static_cast<float>((1.0 - panB) * dryWet * outGainB * masterGain);
    gainBR = static_cast<float>(double(panB) * dryWet * outGainB * masterGain);
}

void ZoFlanger::suspend() {
    voiceA.reset();
    voiceB.reset();
    lowPassL.reset();
    lowPassR.reset();
    highPassL.reset();
    highPassR.reset();
    voiceOutA = 0.0f;
    voiceOutB = 0.0f;
}

void ZoFlanger::sampleRateChanged() {
    const float rate = sampleRate;
    lfo.setSamplingRate(rate);
    voiceA.setSamplingRate(rate);
    voiceB.setSamplingRate(rate);
    preDelayL.setSamplingRate(rate);
    preDelayR.setSamplingRate(rate);
    lowPassL.setSamplingRate(rate);
    lowPassR.setSamplingRate(rate);
    highPassL.setSamplingRate(rate);
    highPassR.setSamplingRate(rate);
    lfo.setRate(1.0f);

    // Rings for the longest delays any parameter value asks at this rate: a voice swings
    // up to twice its delay and reads one sample beyond that.
    const std::int32_t longestVoice = 2 * delaySamplesFor(kLongestDelayMs) + 1;
    voiceA.allocate(longestVoice);
    voiceB.allocate(longestVoice);
    preDelayL.allocate(delaySamplesFor(kLongestPreDelayMs));
    preDelayR.allocate(delaySamplesFor(kLongestPreDelayMs));
}

// Both voices run through each step together, lane 0 the left chain (voice A), lane 1
// the right chain (voice B), each lane computed exactly as the single-voice steps of the
// blocks would compute it.
void ZoFlanger::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    using zo::Pair;
    using zo::pairOf;
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    auto preL = preDelayL.cursor();
    auto preR = preDelayR.cursor();
    // The two pre-delays always get the same delay and ring size, so they move in step
    // (unless a ring could not grow).
    const bool lockstep =
        preL.mask == preR.mask && preL.write == preR.write && preL.read == preR.read;

    // Lo Cut: both filters always get the same cutoff, so they bypass together.
    const auto cutL = highPassL.kernel();
    const auto cutR = highPassR.kernel();
    const bool lowCut = !cutL.bypassed;
    const Pair a0 = pairOf(cutL.a0, cutR.a0), a1 = pairOf(cutL.a1, cutR.a1),
               a2 = pairOf(cutL.a2, cutR.a2), b1 = pairOf(cutL.b1, cutR.b1),
               b2 = pairOf(cutL.b2, cutR.b2);
    Pair x1 = pairOf(cutL.x1, cutR.x1), x2 = pairOf(cutL.x2, cutR.x2);
    Pair y1 = pairOf(cutL.y1, cutR.y1), y2 = pairOf(cutL.y2, cutR.y2);

    // Cutoff, inside each voice's loop; bypassed together for the same reason.
    const auto loopL = lowPassL.kernel();
    const auto loopR = lowPassR.kernel();
    const bool loopFilter = !loopL.bypassed;
    const Pair loopA = pairOf(loopL.a, loopR.a), loopB = pairOf(loopL.b, loopR.b);
    Pair loopState = pairOf(loopL.secondState, loopR.secondState);

    auto lineA = voiceA.modCursor();
    auto lineB = voiceB.modCursor();
    auto osc = lfo.reader();
    const Pair whole = pairOf(delayA, delayB);
    const Pair swing = pairOf(modA, modB);
    const Pair fb = zo::both(feedback);
    const Pair master = zo::both(masterGain);
    const Pair dry = zo::both(gainDry);
    // Each output gets gain x voice from both voices: the voices as they are on the
    // gains for the same side, swapped on the gains for the other one.
    const Pair fromSame = pairOf(gainAL, gainBR), fromOther = pairOf(gainBL, gainAR);
    const Pair silence = zo::both(1e-8f);
    Pair voiceOut = pairOf(voiceOutA, voiceOutB);
    Pair lastDelay = pairOf(lineA.total, lineB.total);

    // The block goes in stretches. The voices' delays depend on the LFO alone, so each
    // stretch first computes them all; the signal path then finds them ready instead of
    // waiting, sample by sample, for the table reads and roundings that lead to them.
    constexpr std::int32_t kStretch = 256;
    // What the signal path reads of each delay: its whole samples and the fraction
    // beyond them.
    struct Split {
        Pair fraction;
        zo::IntPair whole;
    };
    Split splits[kStretch];
    for (std::int32_t done = 0; done < sampleFrames; done += kStretch) {
        const std::int32_t frames = std::min(kStretch, sampleFrames - done);

        for (std::int32_t k = 0; k < frames; ++k) {
            // The LFO at its position for voice A and shifted by the phase separation for
            // voice B (ZoLFO::valueAt for both; positions are never negative, so
            // truncation is their floor); then it moves on.
            const Pair position = pairOf(osc.phase, osc.phase + osc.offset);
            const zo::IntPair entry = zo::truncated(position);
            const Pair between = position - zo::asPair(entry);
            const auto mask = static_cast<std::uint32_t>(osc.mask);
            const std::uint32_t kA = static_cast<std::uint32_t>(entry[0]) & mask;
            const std::uint32_t kB = static_cast<std::uint32_t>(entry[1]) & mask;
            const float* atA = osc.table + kA;
            const float* atB = osc.table + kB;
            const Pair wave = zo::storedAsFloat(pairOf(atA[0], atB[0]) * (1.0 - between) +
                                                pairOf(atA[1], atB[1]) * between);
            osc.advance();
            // The voices' fractional delays (ZoModDelayLine::setFractionalDelay for both;
            // never negative, since a voice swings at most its own delay below it).
            const Pair delay = zo::storedAsFloat(whole + wave * swing);
            const zo::IntPair delayWhole = zo::truncated(delay);
            splits[k] = {delay - zo::asPair(delayWhole), delayWhole};
        }
        if (frames > 0)
            lastDelay = zo::asPair(splits[frames - 1].whole) + splits[frames - 1].fraction;

        // The signal path, made once for each combination of the filters in use and of
        // the pre-delays' positions, so that no sample tests them.
        const auto signalPath = [&]<bool kLowCut, bool kLoopFilter, bool kLockstep>() {
            for (std::int32_t k = 0; k < frames; ++k) {
                const std::int32_t frame = done + k;
                const float inL = inLeft[frame];
                const float inR = inRight[frame];

                Pair x;
                if constexpr (kLockstep) {
                    // Both pre-delays at the same positions: one pair of positions for both.
                    preL.write = (preL.write + 1) & preL.mask;
                    preL.read = (preL.read + 1) & preL.mask;
                    zo::at(preL.ring, preL.write) = inL;
                    zo::at(preR.ring, preL.write) = inR;
                    x = pairOf(zo::at(preL.ring, preL.read), zo::at(preR.ring, preL.read));
                } else {
                    x = pairOf(preL.tick(inL), preR.tick(inR));
                }
                if constexpr (kLowCut) {
                    const Pair y =
                        zo::storedAsFloat(a0 * x + a1 * x1 + a2 * x2 - b1 * y1 - b2 * y2);
                    x2 = x1;
                    x1 = x;
                    y2 = y1;
                    y1 = y;
                    x = y;
                }

                const Pair fraction = splits[k].fraction;

                const Pair s = zo::storedAsFloat(x + fb * voiceOut);
                // Silence stops a voice: no tick, and nothing decays into subnormal numbers.
                const zo::PairMask quiet = zo::magnitude(s) <= silence;
                if (!zo::anyLane(quiet)) {
                    Pair u = s;
                    if constexpr (kLoopFilter) {
                        const Pair stepped = zo::storedAsFloat(loopB * loopState + loopA * s);
                        loopState = zo::select(zo::magnitude(stepped) < silence, Pair{}, stepped);
                        u = loopState;
                    }
                    float nearA, farA, nearB, farB;
                    const auto written = __builtin_convertvector(u, zo::FloatPair); // exact
                    lineA.writeAndFetchBehind(written[0], splits[k].whole[0], nearA, farA);
                    lineB.writeAndFetchBehind(written[1], splits[k].whole[1], nearB, farB);
                    voiceOut = zo::storedAsFloat(pairOf(nearA, nearB) * (1.0 - fraction) +
                                                 pairOf(farA, farB) * fraction);
                } else {
                    // A voice falling silent or starting again: each on its own.
                    // (The whole samples and the fraction add up to the delay exactly.)
                    const Pair delay = zo::asPair(splits[k].whole) + fraction;
                    lineA.setFractionalDelay(static_cast<float>(delay[0]));
                    lineB.setFractionalDelay(static_cast<float>(delay[1]));
                    zo::ZoOnePole::Kernel loopLeft{loopL.a, loopL.b, 0.0f, float(loopState[0]),
                                                   !loopFilter};
                    zo::ZoOnePole::Kernel loopRight{loopR.a, loopR.b, 0.0f, float(loopState[1]),
                                                    !loopFilter};
                    const float outA =
                        quiet[0]
                            ? 0.0f
                            : lineA.tickInterpolated(loopLeft.oneStage(static_cast<float>(s[0])));
                    const float outB =
                        quiet[1]
                            ? 0.0f
                            : lineB.tickInterpolated(loopRight.oneStage(static_cast<float>(s[1])));
                    loopState = pairOf(loopLeft.secondState, loopRight.secondState);
                    voiceOut = pairOf(outA, outB);
                }

                // (gain B x voice B + gain A x voice A on each side, in either order the
                // same sum.)
                const Pair swapped = __builtin_shufflevector(voiceOut, voiceOut, 1, 0);
                const Pair mixed =
                    pairOf(outLeft[frame], outRight[frame]) +
                    master * (fromSame * voiceOut + fromOther * swapped + dry * pairOf(inL, inR));
                const auto rounded = __builtin_convertvector(mixed, zo::FloatPair);
                outLeft[frame] = rounded[0];
                outRight[frame] = rounded[1];
            }
        };
        zo::withFlags(lowCut, loopFilter, lockstep, signalPath);
    }
    if (lockstep) {
        preR.write = preL.write;
        preR.read = preL.read;
    }

    preDelayL.keep(preL);
    preDelayR.keep(preR);
    highPassL.keep({cutL.a0, cutL.a1, cutL.a2, cutL.b1, cutL.b2, float(x1[0]), float(x2[0]),
                    float(y1[0]), float(y2[0]), cutL.bypassed});
    highPassR.keep({cutR.a0, cutR.a1, cutR.a2, cutR.b1, cutR.b2, float(x1[1]), float(x2[1]),
                    float(y1[1]), float(y2[1]), cutR.bypassed});
    lowPassL.keep({loopL.a, loopL.b, loopL.firstState, float(loopState[0]), loopL.bypassed});
    lowPassR.keep({loopR.a, loopR.b, loopR.firstState, float(loopState[1]), loopR.bypassed});
    // The fractional delay as the last sample set it.
    lineA.setFractionalDelay(static_cast<float>(lastDelay[0]));
    lineB.setFractionalDelay(static_cast<float>(lastDelay[1]));
    voiceA.keep(lineA);
    voiceB.keep(lineB);
    lfo.keep(osc);
    voiceOutA = static_cast<float>(voiceOut[0]);
    voiceOutB = static_cast<float>(voiceOut[1]);
}

} // namespace jetstream
