// swirl: a swept short-delay effect of the flanger kind. One input feeds a delay ring
// with feedback whose delay (3 to 133 samples) is swept by a triangle or a raised
// cosine; the dry input plus the delayed signal goes to both outputs. `process` adds
// into the outputs and pans; `processReplacing` overwrites them, unpanned, and reads the
// ring and the sweep table in whole steps. Times assume 44100 Hz at any host rate.
#pragma once

#include "audioeffect.h"
#include "aum_program.h"
#include "cos_table.h"
#include "delay_ring.h"
#include "sweep.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace swirl {

class AUM : public AudioEffect {
public:
    static constexpr int kNumPrograms = 16;
    static constexpr int kNumParams = 7;
    // Samples of delay per unit of sweep position.
    static constexpr double kSamplesPerPosition = 333.0;

    enum Parameter { kDelay, kEffect, kFeedback, kSweepTime, kRange, kSweep, kPan };
    enum SweepMode { kSweepOff, kSweepTriangle, kSweepCosine };

    // Main thread.
    explicit AUM(HostCallback host);

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

    // Audio thread; allocate nothing.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;

private:
    struct ParameterInfo;
    static const ParameterInfo kParameters[kNumParams];

    // What setParameter does with a value, per parameter.
    void applyDelay(float value);
    void applyEffect(float value);
    void applyFeedback(float value);
    void applySweepTime(float value);
    void applyRange(float value);
    void applySweep(float value);
    void applyPan(float value);

    float sweepReadBack() const;
    void showSweep(char* text) const;
    void showPan(char* text) const;

    // Moves the sweep back to a place the parameters chose.
    void parkSweep(float position, float phase);

    template <bool kReplacing> void run(float** inputs, float** outputs, std::int32_t frames);
    template <bool kReplacing, int kMode>
    void render(const float* in, float* left, float* right, std::int32_t frames);

    std::array<AUMProgram, kNumPrograms> programs;
    Sweep sweep;
    float restPosition;
    DelayRing ring;
    float vu;
    int writeIndex;
    float delayValue;
    float feedback;
    float effectLevel;
    float pan;
    float range;
    float sweepValue;
    float sweepTime;
    float basePosition;
    int sweepMode;
    float fGetRange;
    const CosTable& cosTable;
    // Counts the parameter changes that move the sweep. Processing keeps the sweep in
    // locals for a block; it does not write them back over a move made meanwhile.
    std::atomic<std::uint32_t> sweepMoves;
};

} // namespace swirl
