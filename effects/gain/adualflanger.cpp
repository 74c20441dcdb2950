#include "adualflanger.h"

#include "normalized.h"
#include "parameter_table.h"

#include <cstring>

namespace gain {

namespace {

constexpr int kUniqueId = 0x516D5478;
constexpr float kLongestDelay = 512.0f; // samples at sweep position 1.0

// The delay in samples at a sweep position, truncated toward zero.
inline int delayAt(float position) {
    return static_cast<int>(position * kLongestDelay);
}

// Display arithmetic runs in extended precision on the value brought into 0..1, so that
// nothing a host sends can divide by zero; the result is shown as a float.
long double shownValue(float value) {
    return static_cast<long double>(unitRange(value));
}

// A sweep limit as the hosts show it, in hertz.
float limitInHertz(float limit) {
    return static_cast<float>(44100.0L / (1.0L + 256.0L * shownValue(limit)));
}

} // namespace

struct ADualFlanger::ParameterInfo {
    const char* name;
    const char* label;
    float ADualFlanger::*value;
    void (*show)(ADualFlanger& effect, char* text);
};

const ADualFlanger::ParameterInfo ADualFlanger::kParameters[kNumParams] = {
    // The sweep frequency in hertz at 44.1 kHz.
    {"  Rate  ", "   Hz   ", &ADualFlanger::rate,
     [](ADualFlanger& e, char* t) {
         e.float2string(static_cast<float>(shownValue(e.rate) * 44100.0L / 11025.0L), t);
     }},
    {"  Min   ", "   Hz   ", &ADualFlanger::sweepMin,
     [](ADualFlanger& e, char* t) { e.float2string(limitInHertz(e.sweepMin), t); }},
    {"  Max   ", "   Hz   ", &ADualFlanger::sweepMax,
     [](ADualFlanger& e, char* t) { e.float2string(limitInHertz(e.sweepMax), t); }},
    {"Swap chan", " L   R ", &ADualFlanger::swap,
     [](ADualFlanger& e, char* t) { std::strcpy(t, e.swap > 0.5f ? " R   L " : " L   R "); }},
    {"L/R Phase", "degrees", &ADualFlanger::phase,
     [](ADualFlanger& e, char* t) {
         e.float2string(static_cast<float>(shownValue(e.phase) * 180.0L), t);
     }},
};

ADualFlanger::ADualFlanger(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), rate(0.04f), sweepMax(0.22f), sweepMin(0.03f),
      swap(0.0f), phase(0.0f), programName("Default"), bufferL(), bufferR(), writeIndex(0),
      sweep(sweepMin) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(kUniqueId);
    canMono(true);
    canProcessReplacing(true);
}

void ADualFlanger::setParameter(std::int32_t index, float value) {
    if (!params::inRange(index, kNumParams)) return;
    this->*kParameters[index].value = value;
    // The limits stay ordered: a lower limit above the upper one stops there, and an
    // upper limit below the lower one takes the lower one down with it.
    if (index == kMin && !(value <= sweepMax)) sweepMin = sweepMax;
    if (index == kMax && sweepMin > value) sweepMin = value;
}

float ADualFlanger::getParameter(std::int32_t index) {
    return params::fieldValue(kParameters, *this, index);
}

void ADualFlanger::setProgramName(char* name) {
    params::storeName(programName, name);
}

void ADualFlanger::getProgramName(char* name) {
    std::strcpy(name, programName);
}

void ADualFlanger::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void ADualFlanger::getParameterDisplay(std::int32_t index, char* text) {
    params::showState(kParameters, *this, index, text);
}

void ADualFlanger::getParameterName(std::int32_t index, char* text) {
    params::copyName(kParameters, index, text);
}

void ADualFlanger::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<false>(inputs, outputs, sampleFrames);
}

void ADualFlanger::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<true>(inputs, outputs, sampleFrames);
}

template <bool replacing>
void ADualFlanger::run(float** inputs, float** outputs, std::int32_t sampleFrames) {
    if (sampleFrames <= 0) return;
    const float* inL = inputs[0];
    const float* inR = inputs[1];
    float* outL = outputs[0];
    float* outR = outputs[1];

    // Values a host should not send act as the nearest end of the range. The positions
    // then stay within about -1..2, and the read indices wrap with the mask, so every
    // read lands inside the lines whatever the sweep did.
    const float upper = unitRange(sweepMax);
    const float lower = unitRange(sweepMin) < upper ? unitRange(sweepMin) : upper;
    TriangleSweep moving = sweep;
    moving.setShape(lower, upper, unitRange(rate), unitRange(phase));
    const bool swapped = swap > 0.5f;
    float* lineL = bufferL.data();
    float* lineR = bufferR.data();
    constexpr int kMask = kLineLength - 1;
    int write = writeIndex;

    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        const float dryL = inL[i];
        const float dryR = inR[i];
        moving.advance();
        const int readL = (write - delayAt(moving.leftPosition())) & kMask;
        const int readR = (write - delayAt(moving.rightPosition())) & kMask;
        // Written before it is read, so that a delay of zero gives the current input.
        lineL[write] = dryL;
        lineR[write] = dryR;
        const float wetL = lineL[readL];
        const float wetR = lineR[readR];
        if constexpr (replacing) {
            const float mixL = swapped ? dryR : dryL;
            const float mixR = swapped ? dryL : dryR;
            outL[i] = (wetL + mixL) * 0.5f;
            outR[i] = (wetR + mixR) * 0.5f;
        } else {
            outL[i] += wetL;
            outR[i] += wetR;
        }
        write = (write + 1) & kMask;
    }
    writeIndex = write;
    sweep = moving;
}

} // namespace gain
