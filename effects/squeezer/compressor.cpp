#include "compressor.h"

#include "aeffeditor.h"
#include "normalized.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace squeezer {

namespace {

constexpr float kDefaults[Compressor::kNumParams] = {0.0f, 0.5f, 0.6f, 0.18f, 0.55f, 0.6f};
constexpr char kDefaultProgramName[] = "Full Reset (default)";
// The meter is refreshed every 20 ms at the rate the effect is built with.
constexpr float kMeterSeconds = 0.02f;
// The bypass holds while POWER is exactly this value; 0.0 is on.
constexpr float kPowerOff = 1.0f;

// The level detector follows at most the largest finite level, so that an infinite
// sample cannot lock it at infinity (and the gain at zero) for good.
constexpr float kLargestLevel = FLT_MAX;

} // namespace

float Compressor::thresholdLaw(float v) {
    return static_cast<float>(std::pow(10.0, 2.0 * v - 2.0));
}

float Compressor::attackLaw(float v) {
    return static_cast<float>(std::pow(10.0, -double(0.01f) - 2.0 * v));
}

float Compressor::releaseLaw(float v) {
    return static_cast<float>(std::pow(10.0, -2.0 - 3.0 * v));
}

float Compressor::makeupLaw(float v) {
    return static_cast<float>(std::pow(10.0, 2.0 * v - 1.0));
}

Compressor::Compressor(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), params(), ratio(0.0f), threshold(1.0f),
      attack(1.0f), release(0.0f), makeup(1.0f), detector(), gainComputer(), vu(0.0f),
      meterInterval(0), meterCount(0), programName() {
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    canProcessReplacing(true);
    // Fixed at the rate the effect is built with (the base's default): a later rate
    // change does not move it.
    meterInterval = static_cast<int>(double(sampleRate) * double(kMeterSeconds));
    for (int i = 0; i < kNumParams; ++i)
        setParameter(i, kDefaults[i]);
    std::memcpy(programName, kDefaultProgramName, sizeof kDefaultProgramName);
}

Compressor::~Compressor() = default;

void Compressor::setParameter(std::int32_t index, float value) {
    if (index >= 0 && index < kNumParams) params[index] = value;
    applyParameters();
    if (editor) editor->postUpdate();
}

void Compressor::applyParameters() {
    // Values outside 0..1 (or NaN) from a host are brought into range first, so that the
    // gain computer's divisor never reaches zero.
    ratio = unitRange(params[kRatio]);
    threshold = thresholdLaw(unitRange(params[kThreshold]));
    attack = attackLaw(unitRange(params[kAttack]));
    release = releaseLaw(unitRange(params[kRelease]));
    makeup = makeupLaw(unitRange(params[kMakeup]));
    detector.setAttack(attack);
    detector.setRelease(release);
    gainComputer.set(threshold, ratio);
}

float Compressor::getParameter(std::int32_t index) {
    return index >= 0 && index < kNumParams ? params[index] : 0.0f;
}

void Compressor::setProgramName(char* name) {
    // A longer name is cut to what the field holds.
    std::strncpy(programName, name, kProgramNameSize - 1);
    programName[kProgramNameSize - 1] = 0;
}

void Compressor::getProgramName(char* name) {
    std::strcpy(name, programName);
}

void Compressor::getParameterLabel(std::int32_t, char*) {}
void Compressor::getParameterDisplay(std::int32_t, char*) {}
void Compressor::getParameterName(std::int32_t, char*) {}

float Compressor::getVu() {
    return vu;
}

void Compressor::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<true>(inputs, outputs, sampleFrames);
}

void Compressor::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) {
    run<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void Compressor::run(float** inputs, float** outputs, std::int32_t sampleFrames) {
    if (sampleFrames <= 0) return;
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    const bool bypassed = params[kPower] == kPowerOff;
    LevelDetector level = detector;
    const GainComputer computer = gainComputer;
    const double gain = makeup;
    double lastGain = 1.0;
    int count = meterCount;
    AEffEditor* const meterEditor = editor;

    std::int32_t done = 0;
    while (done < sampleFrames) {
        // Samples up to and including the one that completes the meter interval.
        const int untilRefresh = count < meterInterval ? meterInterval - count + 1 : 1;
        const std::int32_t left = sampleFrames - done;
        const std::int32_t stretch = untilRefresh < left ? untilRefresh : left;
        const std::int32_t end = done + stretch;
        if (bypassed) {
            for (std::int32_t n = done; n < end; ++n) {
                const float l = inLeft[n];
                const float r = inRight[n];
                if constexpr (accumulate) {
                    outLeft[n] += l;
                    outRight[n] += r;
                } else {
                    outLeft[n] = l;
                    outRight[n] = r;
                }
            }
            level.reset();
            lastGain = 1.0;
        } else {
            for (std::int32_t n = done; n < end; ++n) {
                const float l = inLeft[n];
                const float r = inRight[n];
                const float al = std::fabs(l);
                const float ar = std::fabs(r);
                const float peak = al > ar ? al : ar;
                const float envelope = level.step(peak < kLargestLevel ? peak : kLargestLevel);
                const double g = computer.gain(envelope);
                const double scale = gain * g;
                if constexpr (accumulate) {
                    outLeft[n] = static_cast<float>(outLeft[n] + l * scale);
                    outRight[n] = static_cast<float>(outRight[n] + r * scale);
                } else {
                    outLeft[n] = static_cast<float>(l * scale);
                    outRight[n] = static_cast<float>(r * scale);
                }
                lastGain = g;
            }
        }
        // The meter reads the reduction of the latest sample.
        const double e = level.envelope;
        vu = lastGain >= 1.0 ? 0.0f : static_cast<float>(e - e * lastGain);
        done = end;
        if (stretch == untilRefresh) {
            count = 0;
            if (meterEditor) meterEditor->refreshLevels();
        } else {
            count += stretch;
        }
    }
    detector.envelope = level.envelope;
    meterCount = count;
}

} // namespace squeezer
