// gain: a stereo flanger. Each channel runs through its own 1024-sample delay line whose
// delay sweeps in a triangle between a lower and an upper limit (at most 512 samples, up
// to 4 Hz); the right line's sweep runs ahead by an adjustable part of the range. The
// replacing path mixes each swept delay half and half with a dry channel, which may be
// the other one; the accumulating path adds the swept delays alone. Delays are counted
// in samples, so the sweep does not follow the sample rate.
#pragma once

#include "audioeffect.h"
#include "triangle_sweep.h"

#include <array>

namespace gain {

class ADualFlanger : public AudioEffect {
public:
    static constexpr int kNumPrograms = 1;
    static constexpr int kNumParams = 5;
    static constexpr int kLineLength = 1024; // a power of two: indices wrap with a mask
    static constexpr int kNameSize = 32;     // 31 characters and the terminator

    enum Parameter { kRate, kMin, kMax, kSwap, kPhase };

    // Main thread.
    explicit ADualFlanger(HostCallback host);

    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;

    // Audio thread; allocate nothing. `process` adds the swept delays into the outputs,
    // `processReplacing` overwrites them with the delays mixed with the dry signal.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;

private:
    struct ParameterInfo;
    static const ParameterInfo kParameters[kNumParams];

    template <bool replacing> void run(float** inputs, float** outputs, std::int32_t sampleFrames);

    float rate;
    float sweepMax;
    float sweepMin; // never above sweepMax
    float swap;
    float phase;
    char programName[kNameSize];
    std::array<float, kLineLength> bufferL;
    std::array<float, kLineLength> bufferR;
    int writeIndex; // shared by both lines
    TriangleSweep sweep;
};

} // namespace gain
