// driftecho: a tempo-synchronised echo whose repeats drift between the outputs. One
// input feeds a 4-second ring with feedback; only the delayed signal reaches the two
// outputs, through a fixed pan and volume and a slow sine that moves it across.
#pragma once

#include "adelay_program.h"
#include "audioeffect.h"
#include "modulator.h"
#include "parameter_table.h"

#include <array>

namespace driftecho {

class ADelay : public AudioEffect {
public:
    static constexpr int kNumPrograms = 16;
    static constexpr int kNumParams = 8;
    static constexpr int kRingLength = 176400; // 4 s at 44100 Hz, whatever the rate

    enum Parameter { kTempo, kMeasure, kDelay, kFeedback, kPan, kModSpeed, kModWidth, kVolume };

    // Main thread.
    explicit ADelay(HostCallback host);

    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    float getVu() override;
    void suspend() override;

    // Audio thread; allocates nothing.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;

    // The modulator's speed in hertz for a normalised value.
    static double speedLaw(float value);

private:
    using ParameterInfo = params::ParameterRow<ADelay, ADelayProgram>;
    static const ParameterInfo kParameters[kNumParams];

    void setDelay();
    void setLevels();
    void applySpeed();
    void applyWidth();
    void applyNothing() {}

    std::array<ADelayProgram, kNumPrograms> programs;
    float ring[kRingLength];
    float tempo;
    float delay;
    float measure;
    float feedback;
    float volume;
    float pan;
    float modSpeed;
    float modWidth;
    float gainLeft;
    float gainRight;
    float vu;
    int readIndex;
    int writeIndex;
    Modulator modulator;
    // writeIndex - readIndex as setDelay last computed it. Processing starts each block
    // from it, so a delay change made while a block is being processed is never lost.
    int delaySamples;
};

} // namespace driftecho
