// trio: a mono-in, stereo-out chain of a four-stage phaser with an exponential sweep, a
// feedback delay of up to one second with a low-pass in its loop, and a chorus. The
// phaser and the chorus each have an on/off switch; while one is off, the values of the
// parameters it guards are ignored (stored nowhere).
#pragma once

#include "zo_delay_line.h"
#include "zo_effect.h"
#include "zo_filters.h"
#include "zo_lfo.h"

#include <array>
#include <cstdint>

namespace trio {

struct ZoMultiEffectProgram {
    static constexpr int kNameSize = 24; // 23 characters and the terminator

    // values[0] is kept but never read; values[i + 1] is parameter i.
    std::array<float, 14> values;
    char name[kNameSize];
};

class ZoMultiEffect : public zo::ZoEffect {
public:
    static constexpr int kNumPrograms = 99;
    static constexpr int kNumParams = 13;

    enum Parameter {
        kPhaser,
        kPhaserDepth,
        kPhaserFeedback,
        kPhaserRate,
        kDelay,
        kDelayFeedback,
        kDelayCutoff,
        kDelayLevel,
        kChorus,
        kChorusDelay,
        kChorusDepth,
        kChorusRate,
        kChorusFeedback
    };

    // Main thread.
    explicit ZoMultiEffect(HostCallback host);
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

    // Main thread, while processing is stopped. suspend clears the rings and filter and
    // restarts the sweep; sampleRateChanged passes the rate on and sizes the rings (may
    // allocate).
    void suspend() override;
    void sampleRateChanged() override;

    // Audio thread; adds into the outputs, allocates nothing.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;

private:
    enum class Switch { None, Phaser, Chorus };
    struct ParameterInfo;
    static const ParameterInfo kParameters[kNumParams];
    static constexpr int kStages = 4;

    bool phaserOn() const { return values[kPhaser] > 0.0f; }
    bool chorusOn() const { return values[kChorus] > 0.0f; }
    bool isOn(Switch guard) const;
    float stored(Parameter p) const;

    void applyNothing() {}
    void applyPhaserFeedback();
    void applyPhaserRate();
    void applyDelay();
    void applyDelayCutoff();
    void applyChorusDelay();
    void applyChorusDepth();
    void applyChorusRate();
    void applyChorusFeedback();
    void recomputeSweep();
    std::int32_t delaySamplesFor(double ms) const;

    zo::ZoLFO lfo;
    zo::ZoModDelayLine chorusLine;
    zo::ZoDelayLine echoLine;
    zo::ZoLowPass echoLowPass;

    std::array<ZoMultiEffectProgram, kNumPrograms> programs;
    std::array<float, kNumParams> values{}; // as last accepted, for getParameter

    float phaserFeedback = 0.0f; // -1 to 1
    float phaserRateShown = 0.0f;
    float echoMs = 0.0f;
    std::int32_t echoSamples = 1;
    float chorusMs = 0.0f;
    std::int32_t chorusSamples = 1;
    float chorusMod = 0.0f; // samples
    float chorusRateHz = 0.0f;
    float chorusFeedback = 0.0f; // -1 to 1

    // Phaser: each stage's previous input and output, and the sweep of their coefficient.
    std::array<float, kStages> stageIn{};
    std::array<float, kStages> stageOut{};
    float phaserOut = 0.0f;
    float allpassCoef = 0.0f;
    float sweepPosition = 0.0f; // pi x frequency / sample rate
    float sweepDirection = 0.0f;
    float sweepStep = 0.0f;
    float sweepLow = 0.0f, sweepHigh = 0.0f;
    float sweepOctaves = 0.0f, sweepRange = 0.0f, sweepBase = 0.0f;
    std::int32_t sweepStarted = 0;
    std::int32_t sweepDirty = 0; // 0 after any parameter change: the next block recomputes

    float echoOut = 0.0f;
    float chorusOut = 0.0f;
    float vu = 0.0f;
};

} // namespace trio
