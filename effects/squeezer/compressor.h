// squeezer's engine: a stereo-linked peak compressor. One level detector follows the
// louder of the two inputs; the gain it computes is applied to both channels, so the
// stereo image stays where it was. The editor is the only user interface: the host gets
// no parameter names, labels or displays.
#pragma once

#include "audioeffect.h"
#include "gain_computer.h"
#include "level_detector.h"

#include <cstdint>

namespace squeezer {

class Compressor : public AudioEffect {
public:
    static constexpr int kNumPrograms = 1;
    static constexpr int kNumParams = 6;
    static constexpr int kProgramNameSize = 24; // 23 characters and the terminator

    enum Parameter { kPower, kRatio, kThreshold, kAttack, kRelease, kMakeup };

    // Main thread (inside the host's call of `main`).
    explicit Compressor(HostCallback host);
    ~Compressor() override;

    // Main thread, while the audio thread may be processing: a change is picked up at
    // the start of the next block.
    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    // The host gets no texts: these leave its buffer as it was.
    void getParameterLabel(std::int32_t index, char* label) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    // Either thread: the current gain reduction as a linear amplitude.
    float getVu() override;

    // Audio thread; allocates nothing. Both ask the editor to refresh its meter every
    // meterInterval + 1 samples, counted across blocks.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;

    // The laws from a normalised value to the internal value, computed as the effect
    // computes them.
    static float thresholdLaw(float value);
    static float attackLaw(float value);
    static float releaseLaw(float value);
    static float makeupLaw(float value);

private:
    template <bool accumulate> void run(float** inputs, float** outputs, std::int32_t sampleFrames);
    void applyParameters();

    float params[kNumParams];
    float ratio;
    float threshold;
    float attack;
    float release;
    float makeup;
    LevelDetector detector; // holds the envelope, carried from block to block
    GainComputer gainComputer;
    float vu;
    int meterInterval;
    int meterCount;
    char programName[kProgramNameSize];
};

} // namespace squeezer
