#include "adelay.h"

#include "aeffeditor.h"
#include "normalized.h"
#include "tempo_echo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace driftecho {

namespace {

constexpr int kUniqueId = 0x514A5832;
constexpr std::size_t kTextSize = 9; // 8 characters and the terminator

// A display text, never longer than the host's 8 characters.
[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

using tempo_echo::scaled;

} // namespace

// Names of 10 characters, labels of 8.
const ADelay::ParameterInfo ADelay::kParameters[kNumParams] = {
    {"Tempo     ", "bpm     ", &ADelayProgram::tempo, &ADelay::tempo, &ADelay::setDelay,
     [](float v, char* t) { showText(t, "%d", tempo_echo::beatsPerMinute(v)); }},
    {"Measure   ", "beat    ", &ADelayProgram::measure, &ADelay::measure, &ADelay::setDelay,
     [](float v, char* t) { showText(t, "1/%d", tempo_echo::divisionsOfBeat(v)); }},
    {"Delay     ", "measures", &ADelayProgram::delay, &ADelay::delay, &ADelay::setDelay,
     [](float v, char* t) { showText(t, "%d", tempo_echo::delayUnits(v) - 1); }},
    {"Feedback  ", "amount  ", &ADelayProgram::feedback, &ADelay::feedback,
     &ADelay::applyNothing, [](float v, char* t) { showText(t, "%d%%", scaled(100.0, v)); }},
    {"Pan       ", "L-R     ", &ADelayProgram::pan, &ADelay::pan, &ADelay::setLevels,
     [](float v, char* t) { showText(t, "%d", scaled(100.0, v) - 50); }},
    {"Mod Speed ", "Hz      ", &ADelayProgram::modSpeed, &ADelay::modSpeed, &ADelay::applySpeed,
     [](float v, char* t) { showText(t, "%.2f", speedLaw(v)); }},
    {"Mod Width ", "amount  ", &ADelayProgram::modWidth, &ADelay::modWidth, &ADelay::applyWidth,
     [](float v, char* t) { showText(t, "%d%%", scaled(100.0, v)); }},
    {"Volume    ", "level   ", &ADelayProgram::volume, &ADelay::volume, &ADelay::setLevels,
     [](float v, char* t) { showText(t, "%d%%", scaled(100.0, v)); }},
};

ADelay::ADelay(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), programs(), ring(), tempo(1.0f), delay(1.0f),
      measure(1.0f), feedback(1.0f), volume(1.0f), pan(1.0f), modSpeed(0.0f), modWidth(0.0f),
      gainLeft(0.0f), gainRight(0.0f), vu(0.0f), readIndex(0), writeIndex(0),
      modulator(getSampleRate(), 0.15f, 0.5f, 1.0f), delaySamples(0) {
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    hasVu(true);
    setUniqueID(kUniqueId);
    suspend();
}

double ADelay::speedLaw(float value) {
    const double v = unitRange(value);
    return v > 0.5 ? 38.0 * (v - 0.5) + 1.0 : 1.98 * v + 0.01;
}

void ADelay::setParameter(std::int32_t index, float value) {
    if (!params::storeAndApply(kParameters, *this, programs[currentProgram], index, value)) return;
    if (editor) editor->postUpdate();
}

float ADelay::getParameter(std::int32_t index) {
    return params::fieldValue(kParameters, *this, index);
}

void ADelay::setProgram(std::int32_t program) {
    if (!params::inRange(program, kNumPrograms)) return;
    currentProgram = program;
    params::replayProgram(
        *this, kParameters, programs[program],
        {kMeasure, kDelay, kFeedback, kVolume, kPan, kTempo, kModSpeed, kModWidth});
}

void ADelay::setProgramName(char* name) {
    params::storeName(programs[currentProgram].name, name);
}

void ADelay::getProgramName(char* name) {
    std::strcpy(name, programs[currentProgram].name);
}

void ADelay::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void ADelay::getParameterDisplay(std::int32_t index, char* text) {
    params::showValue(kParameters, *this, index, text);
}

void ADelay::getParameterName(std::int32_t index, char* text) {
    params::copyName(kParameters, index, text);
}

float ADelay::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

void ADelay::suspend() { std::memset(ring, 0, sizeof ring); }

void ADelay::setDelay() {
    delaySamples = tempo_echo::delaySamples(sampleRate, tempo, measure, delay, kRingLength);
    writeIndex = (readIndex + delaySamples) % kRingLength;
}

void ADelay::setLevels() {
    const tempo_echo::Gains gains = tempo_echo::panGains(pan, volume);
    gainLeft = gains.left;
    gainRight = gains.right;
}

void ADelay::applySpeed() { modulator.setSpeed(static_cast<float>(speedLaw(modSpeed))); }

void ADelay::applyWidth() { modulator.setWidth(unitRange(modWidth)); }

void ADelay::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    const double fb = unitRange(feedback);
    const double gl = gainLeft;
    const double gr = gainRight;
    int read = readIndex;
    int write = read + delaySamples;
    if (write >= kRingLength) write -= kRingLength;
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        const double x = in[i];
        const double e = ring[read];
        ring[write] = static_cast<float>(x + fb * e);
        if (++write == kRingLength) write = 0;
        modulator.tick();
        const double m = modulator.getValue();
        left[i] = static_cast<float>(left[i] + gl * (1.0 - m) * e);
        right[i] = static_cast<float>(right[i] + e * m * gr);
        // Heard once, then gone: nothing stale returns a ring's length later.
        ring[read] = 0.0f;
        if (++read == kRingLength) read = 0;
    }
    readIndex = read;
    writeIndex = write;
}

} // namespace driftecho
