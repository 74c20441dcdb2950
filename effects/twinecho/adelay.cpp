#include "adelay.h"

#include "aeffeditor.h"
#include "normalized.h"
#include "tempo_echo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace twinecho {

namespace {

constexpr int kUniqueId = 0x514A5831;
constexpr std::size_t kTextSize = 9; // 8 characters and the terminator

// A display text, never longer than the host's 8 characters.
[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

using tempo_echo::scaled;

void showBpm(float v, char* t) {
    showText(t, "%d", tempo_echo::beatsPerMinute(v));
}
void showDivision(float v, char* t) {
    showText(t, "1/%d", tempo_echo::divisionsOfBeat(v));
}
// One less than the divisions the delay uses.
void showDelay(float v, char* t) {
    showText(t, "%d", tempo_echo::delayUnits(v) - 1);
}
void showPercent(float v, char* t) {
    showText(t, "%d%%", scaled(100.0, v));
}
void showPan(float v, char* t) {
    showText(t, "%d", scaled(100.0, v) - 50);
}

} // namespace

// Names of 10 characters, labels of 8.
const ADelay::ParameterInfo ADelay::kParameters[kNumParams] = {
    {"Tempo     ", "bpm     ", &ADelayProgram::tempo, &ADelay::tempo, &ADelay::setDelay, showBpm},
    {"Measure   ", "beat    ", &ADelayProgram::measure, &ADelay::measure, &ADelay::setDelay,
     showDivision},
    {"Delay 1   ", "measures", &ADelayProgram::delay1, &ADelay::delay1, &ADelay::setDelay,
     showDelay},
    {"Delay 2   ", "measures", &ADelayProgram::delay2, &ADelay::delay2, &ADelay::setDelay,
     showDelay},
    {"Feedback 1", "amount  ", &ADelayProgram::feedback1, &ADelay::feedback1, &ADelay::applyNothing,
     showPercent},
    {"Feedback 2", "amount  ", &ADelayProgram::feedback2, &ADelay::feedback2, &ADelay::applyNothing,
     showPercent},
    {"Pan 1     ", "L-R     ", &ADelayProgram::pan1, &ADelay::pan1, &ADelay::setLevels, showPan},
    {"Pan 2     ", "L-R     ", &ADelayProgram::pan2, &ADelay::pan2, &ADelay::setLevels, showPan},
    {"Volume 1  ", "amount  ", &ADelayProgram::volume1, &ADelay::volume1, &ADelay::setLevels,
     showPercent},
    {"Volume 2  ", "amount  ", &ADelayProgram::volume2, &ADelay::volume2, &ADelay::setLevels,
     showPercent},
};

ADelay::ADelay(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), programs(), ring1(), ring2(), tempo(1.0f),
      delay1(1.0f), delay2(1.0f), measure(1.0f), feedback1(1.0f), feedback2(1.0f), volume1(1.0f),
      volume2(1.0f), pan1(1.0f), pan2(1.0f), gainLeft1(0.0f), gainLeft2(0.0f), gainRight1(0.0f),
      gainRight2(0.0f), vu(0.0f), readIndex(0), writeIndex1(0), writeIndex2(0), delaySamples1(0),
      delaySamples2(0) {
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    hasVu(true);
    setUniqueID(kUniqueId);
    suspend();
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
    params::replayProgram(*this, kParameters, programs[program],
                          {kMeasure, kDelay1, kDelay2, kFeedback1, kFeedback2, kVolume1, kVolume2,
                           kPan1, kPan2, kTempo});
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

void ADelay::suspend() {
    std::memset(ring1, 0, sizeof ring1);
    std::memset(ring2, 0, sizeof ring2);
}

void ADelay::setDelay() {
    delaySamples1 = tempo_echo::delaySamples(sampleRate, tempo, measure, delay1, kRingLength);
    delaySamples2 = tempo_echo::delaySamples(sampleRate, tempo, measure, delay2, kRingLength);
    writeIndex1 = (readIndex + delaySamples1) % kRingLength;
    writeIndex2 = (readIndex + delaySamples2) % kRingLength;
}

void ADelay::setLevels() {
    const tempo_echo::Gains tap1 = tempo_echo::panGains(pan1, volume1);
    const tempo_echo::Gains tap2 = tempo_echo::panGains(pan2, volume2);
    gainLeft1 = tap1.left;
    gainRight1 = tap1.right;
    gainLeft2 = tap2.left;
    gainRight2 = tap2.right;
}

void ADelay::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    const double fb1 = unitRange(feedback1);
    const double fb2 = unitRange(feedback2);
    const double gl1 = gainLeft1, gl2 = gainLeft2;
    const double gr1 = gainRight1, gr2 = gainRight2;
    int read = readIndex;
    int write1 = read + delaySamples1;
    if (write1 >= kRingLength) write1 -= kRingLength;
    int write2 = read + delaySamples2;
    if (write2 >= kRingLength) write2 -= kRingLength;
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        const double x = in[i];
        const double e1 = ring1[read];
        const double e2 = ring2[read];
        ring1[write1] = static_cast<float>(x + fb1 * e1);
        ring2[write2] = static_cast<float>(x + fb2 * e2);
        if (++write1 == kRingLength) write1 = 0;
        if (++write2 == kRingLength) write2 = 0;
        left[i] = static_cast<float>(left[i] + (gl1 * e1 + gl2 * e2));
        right[i] = static_cast<float>(right[i] + (gr1 * e1 + gr2 * e2));
        // Heard once, then gone: nothing stale returns a ring's length later.
        ring1[read] = 0.0f;
        ring2[read] = 0.0f;
        if (++read == kRingLength) read = 0;
    }
    readIndex = read;
    writeIndex1 = write1;
    writeIndex2 = write2;
}

} // namespace twinecho
