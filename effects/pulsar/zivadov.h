// pulsar: a tremolo and auto-pan. One input goes to two outputs through a fixed pan and
// volume; one oscillator swings the level down from full, a second swings the stereo
// position around the pan, each with its own speed, depth and waveform.
#pragma once

#include "audioeffect.h"
#include "modulator.h"
#include "parameter_table.h"
#include "zivadov_program.h"

#include <array>

namespace pulsar {

class Zivadov : public AudioEffect {
public:
    static constexpr int kNumPrograms = 16;
    static constexpr int kNumParams = 8;
    static constexpr int kModulatorEntries = 4000;

    enum Parameter { kSpeed, kDepth, kWave, kPan, kPanSpeed, kPanWidth, kPanWave, kVolume };

    using Oscillator = Modulator<kModulatorEntries>;

    // Main thread.
    explicit Zivadov(HostCallback host);

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

    // Audio thread; allocates nothing. Adds into both outputs.
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;

    // An oscillator's speed in hertz for a normalised value: 0.01 to 1 Hz over the lower
    // half, 1 to 10 Hz over the upper half.
    static double speedLaw(float value);

private:
    using ParameterInfo = params::ParameterRow<Zivadov, ZivadovProgram>;
    static const ParameterInfo kParameters[kNumParams];

    void setLevels();
    void applySpeed();
    void applyDepth();
    void applyWave();
    void applyPanSpeed();
    void applyPanWidth();
    void applyPanWave();

    std::array<ZivadovProgram, kNumPrograms> programs;
    float speed;
    float depth;
    float volume;
    float pan;
    float panSpeed;
    float panWidth;
    float gainLeft;
    float gainRight;
    float wave;
    float panWave;
    float vu;                    // never raised: the host's meter stays at zero
    Oscillator panModulator;     // the stereo position, centred on 0.5
    Oscillator tremoloModulator; // the gain, hanging down from 1.0
};

} // namespace pulsar
