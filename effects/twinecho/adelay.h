// twinecho: a tempo-synchronised echo with two taps. One input feeds two 2-second rings,
// each with its own delay, feedback, pan and volume; both delays are counted in
// divisions of one shared tempo and beat division. Only the delayed signals reach the
// two outputs.
#pragma once

#include "adelay_program.h"
#include "audioeffect.h"
#include "parameter_table.h"

#include <array>

namespace twinecho {

class ADelay : public AudioEffect {
public:
    static constexpr int kNumPrograms = 16;
    static constexpr int kNumParams = 10;
    static constexpr int kRingLength = 88200; // 2 s at 44100 Hz, whatever the rate

    enum Parameter {
        kTempo,
        kMeasure,
        kDelay1,
        kDelay2,
        kFeedback1,
        kFeedback2,
        kPan1,
        kPan2,
        kVolume1,
        kVolume2
    };

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

private:
    using ParameterInfo = params::ParameterRow<ADelay, ADelayProgram>;
    static const ParameterInfo kParameters[kNumParams];

    void setDelay();
    void setLevels();
    void applyNothing() {}

    std::array<ADelayProgram, kNumPrograms> programs;
    float ring1[kRingLength];
    float ring2[kRingLength];
    float tempo;
    float delay1;
    float delay2;
    float measure;
    float feedback1;
    float feedback2;
    float volume1;
    float volume2;
    float pan1;
    float pan2;
    float gainLeft1;
    float gainLeft2;
    float gainRight1;
    float gainRight2;
    float vu;
    int readIndex;
    int writeIndex1;
    int writeIndex2;
    // writeIndexN - readIndex as setDelay last computed them. Processing starts each
    // block from them, so a delay change made while a block is being processed is kept.
    int delaySamples1;
    int delaySamples2;
};

} // namespace twinecho
