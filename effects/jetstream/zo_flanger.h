// jetstream: a stereo flanger. Each input channel passes a pre-delay and a low cut, then
// its own flanging voice (a modulated delay with feedback and a low-pass in the loop;
// voice A on the left, voice B on the right, both on one LFO with a phase separation),
// is panned and levelled, and is mixed with the dry signal.
#pragma once

#include "zo_delay_line.h"
#include "zo_effect.h"
#include "zo_filters.h"
#include "zo_lfo.h"

#include <array>
#include <cstdint>

namespace jetstream {

struct ZoFlangerProgram {
    static constexpr int kNameSize = 24; // 23 characters and the terminator

    std::array<float, 17> values;
    char name[kNameSize];
};

class ZoFlanger : public zo::ZoEffect {
public:
    static constexpr int kNumPrograms = 99;
    static constexpr int kNumParams = 17;

    enum Parameter {
        kDelayA,
        kDepthA,
        kDelayB,
        kDepthB,
        kRate,
        kPhaseSep,
        kFeedback,
        kCutoff,
        kLoCut,
        kLfoType,
        kPreDelay,
        kOutA,
        kPanA,
        kOutB,
        kPanB,
        kDryWet,
        kMaster
    };

    // Main thread.
    explicit ZoFlanger(HostCallback host);
    // Whether construction got every ring it needs.
    bool isComplete() const;

    // Main thread, while the audio thread may be processing; never allocate.
    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    float getVu() override;

    // Main thread, while processing is stopped. suspend clears the voices and filters;
    // sampleRateChanged passes the rate on and sizes the rings (may allocate).
    void suspend() override;
    void sampleRateChanged() override;

    // Audio thread; adds into the outputs, allocates nothing.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;

private:
    struct ParameterInfo;
    static const ParameterInfo kParameters[kNumParams];

    void applyDelayA(float v);
    void applyDepthA(float v);
    void applyDelayB(float v);
    void applyDepthB(float v);
    void applyRate(float v);
    void applyPhaseSep(float v);
    void applyFeedback(float v);
    void applyCutoff(float v);
    void applyLoCut(float v);
    void applyLfoType(float v);
    void applyPreDelay(float v);
    void applyOutA(float v);
    void applyPanA(float v);
    void applyOutB(float v);
    void applyPanB(float v);
    void applyDryWet(float v);
    void applyMaster(float v);
    void computeModulation();
    void computeMixGains();
    std::int32_t delaySamplesFor(double ms) const;

    zo::ZoDelayLine preDelayL, preDelayR;
    zo::ZoModDelayLine voiceA, voiceB;
    zo::ZoLFO lfo;
    zo::ZoLowPass lowPassL, lowPassR;
    zo::ZoHighPass highPassL, highPassR;

    std::array<ZoFlangerProgram, kNumPrograms> programs;
    std::array<float, kNumParams> values{}; // as last set, for getParameter

    float delayAMs = 0.0f, delayBMs = 0.0f;
    std::int32_t delayA = 1, delayB = 1; // whole samples, at least 1
    float depthA = 0.0f, depthB = 0.0f;
    float modA = 0.0f, modB = 0.0f; // modulation amplitude in samples
    float rateHz = 0.0f;
    float cutoffHz = 0.0f;
    float lowCutHz = 0.0f;
    float feedback = 0.0f; // -1 to 1
    std::int32_t preDelayMs = 0;
    std::int32_t preDelaySamples = 1;
    float outGainA = 0.0f, outGainB = 0.0f; // 0 to 2
    float panA = 0.0f, panB = 0.0f;
    float dryWet = 0.0f;
    float masterGain = 0.0f; // 0 to 2

    float gainDry = 0.0f;
    float gainAL = 0.0f, gainAR = 0.0f;
    float gainBL = 0.0f, gainBR = 0.0f;
    float voiceOutA = 0.0f, voiceOutB = 0.0f;
    float vu = 0.0f;
};

} // namespace jetstream
