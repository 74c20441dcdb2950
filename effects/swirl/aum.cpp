#include "aum.h"

#include "aeffeditor.h"
#include "normalized.h"
#include "parameter_table.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace swirl {

namespace {

constexpr int kUniqueId = 0x514A5831;
// The longest display is the PAN bar, 19 characters; no text is let past it.
constexpr std::size_t kTextSize = 20;
// Delay and Range are shown as 7.575757... times the position: 333 samples of delay
// per unit of position, read as milliseconds at 44100 Hz.
constexpr double kPositionToShown = 7.575757575757575;
constexpr double kSweepReadBackPerMode = 0.5263157894736842; // 1 / 1.9
constexpr int kPanBarLength = 19;

[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

// The mode number of a SWEEP value: 2.9 x value, truncated. Values outside 0..1 give
// numbers outside 0..2 (held at the ends of int); NaN counts as 0 like everywhere else.
int sweepModeOf(float value) {
    const double mode = 2.9 * double(value);
    if (!(mode == mode)) return 0;
    if (mode >= double(INT_MAX)) return INT_MAX;
    if (mode <= double(INT_MIN)) return INT_MIN;
    return static_cast<int>(mode);
}

} // namespace

struct AUM::ParameterInfo {
    const char* name;
    const char* label;
    float AUMProgram::*programValue;
    void (AUM::*apply)(float value);
    float (*readBack)(const AUM& effect);
    void (*show)(const AUM& effect, char* text);
};

const AUM::ParameterInfo AUM::kParameters[kNumParams] = {
    {"Delay", " ms                ", &AUMProgram::delay, &AUM::applyDelay,
     [](const AUM& e) { return e.delayValue; },
     [](const AUM& e, char* t) { showText(t, " %1.2f ", kPositionToShown * e.basePosition); }},
    {"Effect      ", "      ", &AUMProgram::effect, &AUM::applyEffect,
     [](const AUM& e) { return e.effectLevel; },
     [](const AUM& e, char* t) { showText(t, "  %1.1f%%", 100.0 * e.effectLevel); }},
    {"Feedback", "      ", &AUMProgram::feedback, &AUM::applyFeedback,
     [](const AUM& e) { return e.feedback; },
     [](const AUM& e, char* t) { showText(t, " %1.1f %%", 100.0 * unitRange(e.feedback)); }},
    {"SweepTime", "ms                    ", &AUMProgram::sweepTime, &AUM::applySweepTime,
     [](const AUM& e) { return e.sweepTime; },
     [](const AUM& e, char* t) { showText(t, "%d", static_cast<int>(20000.0 * e.sweepTime)); }},
    {"Range    ", " ms                ", &AUMProgram::range, &AUM::applyRange,
     [](const AUM& e) { return e.fGetRange; },
     [](const AUM& e, char* t) { showText(t, "%1.2f   ", kPositionToShown * e.range); }},
    {"SWEEP", "    ", &AUMProgram::sweep, &AUM::applySweep,
     [](const AUM& e) { return e.sweepReadBack(); }, [](const AUM& e, char* t) { e.showSweep(t); }},
    {"      PAN   ", "l<------------>r", &AUMProgram::pan, &AUM::applyPan,
     [](const AUM& e) { return e.pan; }, [](const AUM& e, char* t) { e.showPan(t); }},
};

AUM::AUM(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), programs(), sweep(), restPosition(0.0f), ring(),
      vu(0.0f), writeIndex(0), delayValue(0.1f), feedback(0.25f), effectLevel(0.5f), pan(0.5f),
      range(0.2f), sweepValue(0.9f), sweepTime(0.2f), basePosition(0.02f), sweepMode(kSweepCosine),
      fGetRange(0.2f), cosTable(CosTable::shared()), sweepMoves(0) {
    canProcessReplacing(true);
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    hasVu(true);
    setUniqueID(kUniqueId);
    // The first update then runs on the 101st sample of a sweeping mode. A triangle that
    // starts mid-sweep moves up by one step rather than leaping above the sweep.
    sweep.countdown = 100;
    sweep.triangleStep = sweep.triangleRate;
    sweep.sineStep = sweep.sineRate;
    suspend();
}

void AUM::setParameter(std::int32_t index, float value) {
    if (!params::inRange(index, kNumParams)) return;
    const ParameterInfo& p = kParameters[index];
    programs[currentProgram].*p.programValue = value;
    (this->*p.apply)(value);
    if (editor) editor->postUpdate();
}

float AUM::getParameter(std::int32_t index) {
    return params::inRange(index, kNumParams) ? kParameters[index].readBack(*this) : 0.0f;
}

void AUM::setProgram(std::int32_t program) {
    if (!params::inRange(program, kNumPrograms)) return;
    currentProgram = program;
    // SweepTime before Range: the rates are consistent once the replay ends.
    params::replayProgram(*this, kParameters, programs[program],
                          {kDelay, kFeedback, kEffect, kPan, kSweepTime, kRange, kSweep});
}

void AUM::setProgramName(char* name) {
    params::storeName(programs[currentProgram].name, name);
}

void AUM::getProgramName(char* name) {
    std::strcpy(name, programs[currentProgram].name);
}

void AUM::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void AUM::getParameterDisplay(std::int32_t index, char* text) {
    params::showState(kParameters, *this, index, text);
}

void AUM::getParameterName(std::int32_t index, char* text) {
    params::copyName(kParameters, index, text);
}

float AUM::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

void AUM::suspend() {
    ring.clear();
}

void AUM::parkSweep(float position, float phase) {
    sweep.position = position;
    sweep.sinePhase = phase;
    sweepMoves.fetch_add(1, std::memory_order_relaxed);
}

// Restarts the sweep at its new bottom.
void AUM::applyDelay(float value) {
    delayValue = value;
    basePosition = std::clamp(static_cast<float>(0.2 * unitRange(value)), 0.01f, 0.95f);
    restPosition = basePosition;
    sweep.minPosition = basePosition;
    sweep.maxPosition = std::min(static_cast<float>(double(range) + basePosition), 0.995f);
    sweep.setRates(sweepTime);
    parkSweep(basePosition, basePosition);
}

void AUM::applyEffect(float value) {
    effectLevel = std::max(unitRange(value), 0.05f);
}

void AUM::applyFeedback(float value) {
    feedback = value;
}

void AUM::applySweepTime(float value) {
    sweepTime = std::max(unitRange(value), 0.015f);
    sweep.setRates(sweepTime);
}

// New bounds; the position stays where it is and finds them as the sweep goes on.
void AUM::applyRange(float value) {
    fGetRange = value;
    range = static_cast<float>(0.2 * unitRange(value));
    sweep.minPosition = basePosition;
    sweep.maxPosition = std::min(static_cast<float>(double(range) + basePosition), 0.95f);
    sweep.setRates(sweepTime);
}

void AUM::applySweep(float value) {
    sweepValue = value;
    sweepMode = sweepModeOf(value);
    if (sweepMode == kSweepOff) parkSweep(restPosition, 0.0f);
}

void AUM::applyPan(float value) {
    pan = value;
}

float AUM::sweepReadBack() const {
    return static_cast<float>(std::min(sweepMode * kSweepReadBackPerMode, 0.99));
}

void AUM::showSweep(char* text) const {
    switch (sweepMode) {
    case kSweepOff:
        showText(text, "OFF      ");
        break;
    case kSweepTriangle:
        showText(text, "Triangle ");
        break;
    case kSweepCosine:
        showText(text, "Sin      ");
        break;
    default:
        showText(text, "i=%d f=%f", sweepMode, double(sweepValue));
        break;
    }
}

// A bar of dashes with an "I" where the pan sits, left to right.
void AUM::showPan(char* text) const {
    char bar[kPanBarLength + 1];
    std::memset(bar, '-', kPanBarLength);
    bar[kPanBarLength] = 0;
    bar[static_cast<int>(18.0 * unitRange(pan))] = 'I';
    std::memcpy(text, bar, sizeof bar);
}

void AUM::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<false>(inputs, outputs, sampleFrames);
}

void AUM::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<true>(inputs, outputs, sampleFrames);
}

template <bool kReplacing> void AUM::run(float** inputs, float** outputs, std::int32_t frames) {
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    switch (sweepMode) {
    case kSweepTriangle:
        render<kReplacing, kSweepTriangle>(in, left, right, frames);
        break;
    case kSweepCosine:
        render<kReplacing, kSweepCosine>(in, left, right, frames);
        break;
    default:
        render<kReplacing, kSweepOff>(in, left, right, frames);
        break;
    }
}

template <bool kReplacing, int kMode>
void AUM::render(const float* in, float* left, float* right, std::int32_t frames) {
    const std::uint32_t moves = sweepMoves.load(std::memory_order_relaxed);
    Sweep s = sweep;
    // Switched off, the sweep rests where the Delay put it; outside 0..2 (a SWEEP value
    // outside 0..1) it holds wherever it was.
    if constexpr (kMode == kSweepOff)
        if (sweepMode == kSweepOff) s.position = restPosition;
    // The per-sample sums are formed in double precision and rounded once, into a ring
    // slot or an output.
    const double fb = unitRange(feedback);
    const double level = effectLevel;
    const double p = unitRange(pan);
    const double gainLeft = std::min(2.0 * (1.0 - p), 1.0);
    const double gainRight = std::min(2.0 * p, 1.0);
    int write = writeIndex;
    DelayRing::Tap tap = DelayRing::tapAt(kSamplesPerPosition * double(s.position));
    auto sample = [&](std::int32_t n) {
        const double x = in[n];
        write = DelayRing::next(write);
        const double delayed =
            kReplacing ? ring.readWhole(write, tap) : ring.readBetween(write, tap);
        ring.write(write, static_cast<float>(x + fb * delayed));
        const double mixed = x + level * delayed;
        if constexpr (kReplacing) {
            left[n] = static_cast<float>(mixed);
            right[n] = static_cast<float>(mixed);
        } else {
            left[n] = static_cast<float>(left[n] + gainLeft * mixed);
            right[n] = static_cast<float>(right[n] + gainRight * mixed);
        }
    };
    auto moveSweep = [&] {
        if constexpr (kMode == kSweepTriangle)
            s.stepTriangle();
        else
            s.stepCosine<kReplacing>(cosTable);
        tap = DelayRing::tapAt(kSamplesPerPosition * double(s.position));
    };

    std::int32_t n = 0;
    if constexpr (kMode != kSweepOff) {
        // The countdown runs out first; from then on the sweep moves on every second
        // sample, so the samples go in pairs: move, sample, sample.
        for (; n < frames && s.countdown > 0; ++n) {
            --s.countdown;
            sample(n);
        }
        // The sweep runs a few pairs ahead of the audio: its taps are ready when the
        // samples need them, instead of each read waiting on the sweep's arithmetic.
        constexpr std::int32_t kPairsAhead = 16;
        DelayRing::Tap taps[kPairsAhead];
        while (n + 2 <= frames) {
            const std::int32_t pairs = std::min(kPairsAhead, (frames - n) / 2);
            for (std::int32_t k = 0; k < pairs; ++k) {
                moveSweep();
                taps[k] = tap;
            }
            for (std::int32_t k = 0; k < pairs; ++k, n += 2) {
                tap = taps[k];
                sample(n);
                sample(n + 1);
            }
        }
        if (n < frames) {
            moveSweep();
            s.countdown = 1;
            sample(n++);
        }
    }
    for (; n < frames; ++n)
        sample(n);
    writeIndex = write;
    if constexpr (kMode != kSweepOff) {
        // Only the moving state goes back: bounds and rates belong to the parameters, and
        // a Delay or SWEEP change made while this block ran has placed the sweep anew.
        sweep.countdown = s.countdown;
        sweep.triangleStep = s.triangleStep;
        sweep.sineStep = s.sineStep;
        if (sweepMoves.load(std::memory_order_relaxed) == moves) {
            sweep.position = s.position;
            sweep.sinePhase = s.sinePhase;
        }
    }
}

} // namespace swirl
