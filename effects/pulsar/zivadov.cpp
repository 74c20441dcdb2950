#include "zivadov.h"

#include "aeffeditor.h"
#include "normalized.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace pulsar {

namespace {

constexpr int kUniqueId = 0x514A5833;
constexpr std::size_t kTextSize = 9; // 8 characters and the terminator

// A display text, never longer than the host's 8 characters.
[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

// The integer part of a product formed in double from the value brought into range.
int scaled(double factor, float value) {
    return static_cast<int>(factor * unitRange(value));
}

void showSpeed(float v, char* t) {
    showText(t, "%.2f", Zivadov::speedLaw(v));
}
void showAmount(float v, char* t) {
    showText(t, "%d%%", scaled(100.0, v));
}
void showWave(float v, char* t) {
    showText(t, "%s", waveName(waveFromValue(v)));
}

} // namespace

// Names of 10 characters, labels of 8.
const Zivadov::ParameterInfo Zivadov::kParameters[kNumParams] = {
    {"Speed     ", "Hz      ", &ZivadovProgram::speed, &Zivadov::speed, &Zivadov::applySpeed,
     showSpeed},
    {"Depth     ", "amount  ", &ZivadovProgram::depth, &Zivadov::depth, &Zivadov::applyDepth,
     showAmount},
    {"Wave      ", "waveform", &ZivadovProgram::wave, &Zivadov::wave, &Zivadov::applyWave,
     showWave},
    {"Pan       ", "L-R     ", &ZivadovProgram::pan, &Zivadov::pan, &Zivadov::setLevels,
     [](float v, char* t) { showText(t, "%d", scaled(100.0, v) - 50); }},
    {"Pan Speed ", "Hz      ", &ZivadovProgram::panSpeed, &Zivadov::panSpeed,
     &Zivadov::applyPanSpeed, showSpeed},
    {"Pan Width ", "amount  ", &ZivadovProgram::panWidth, &Zivadov::panWidth,
     &Zivadov::applyPanWidth, showAmount},
    {"Pan Wave  ", "waveform", &ZivadovProgram::panWave, &Zivadov::panWave, &Zivadov::applyPanWave,
     showWave},
    // Volume 0 is minus infinity decibels, shown as the formatter shows it: "-inf dB".
    {"Volume    ", "level   ", &ZivadovProgram::volume, &Zivadov::volume, &Zivadov::setLevels,
     [](float v, char* t) { showText(t, "%+.1f dB", 20.0 * std::log10(2.0 * unitRange(v))); }},
};

Zivadov::Zivadov(HostCallback host)
    : AudioEffect(host, kNumPrograms, kNumParams), programs(), speed(0.0f), depth(0.5f),
      volume(0.75f), pan(0.5f), panSpeed(0.25f), panWidth(0.8f), gainLeft(0.0f), gainRight(0.0f),
      wave(0.0f), panWave(0.0f), vu(0.0f),
      // The oscillators take the sample rate once: their speeds hold for that rate.
      panModulator(kCentred, kSine, getSampleRate(), 0.15f, 1.0f),
      tremoloModulator(kHangingDown, kSine, getSampleRate(), 0.15f, 1.0f) {
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    hasVu(true);
    setUniqueID(kUniqueId);
    suspend();
}

double Zivadov::speedLaw(float value) {
    const double v = unitRange(value);
    return v > 0.5 ? 18.0 * (v - 0.5) + 1.0 : 1.98 * v + 0.01;
}

void Zivadov::setParameter(std::int32_t index, float value) {
    if (!params::storeAndApply(kParameters, *this, programs[currentProgram], index, value)) return;
    if (editor) editor->postUpdate();
}

float Zivadov::getParameter(std::int32_t index) {
    return params::fieldValue(kParameters, *this, index);
}

void Zivadov::setProgram(std::int32_t program) {
    if (!params::inRange(program, kNumPrograms)) return;
    currentProgram = program;
    // The oscillators keep running where they are.
    params::replayProgram(*this, kParameters, programs[program],
                          {kSpeed, kDepth, kVolume, kPan, kPanSpeed, kPanWidth, kPanWave, kWave});
}

void Zivadov::setProgramName(char* name) {
    char* field = programs[currentProgram].name;
    const std::size_t length = strnlen(name, ZivadovProgram::kNameSize);
    // A name that fits is kept whole; a longer one keeps its first 34 characters.
    const std::size_t kept =
        length < ZivadovProgram::kNameSize ? length : ZivadovProgram::kNameSize - 2;
    std::memcpy(field, name, kept);
    field[kept] = 0;
}

void Zivadov::getProgramName(char* name) {
    std::strcpy(name, programs[currentProgram].name);
}

void Zivadov::getParameterLabel(std::int32_t index, char* label) {
    params::copyLabel(kParameters, index, label);
}

void Zivadov::getParameterDisplay(std::int32_t index, char* text) {
    params::showValue(kParameters, *this, index, text);
}

void Zivadov::getParameterName(std::int32_t index, char* text) {
    params::copyName(kParameters, index, text);
}

float Zivadov::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

void Zivadov::suspend() {}

// Values a host should not send act as the nearest end of the range, so that the
// oscillators' tables and the gains stay within 0..1 and 0..2.

void Zivadov::setLevels() {
    const double p = unitRange(pan);
    const double v2 = 2.0 * unitRange(volume);
    if (p < 0.5) {
        gainLeft = static_cast<float>(v2);
        gainRight = static_cast<float>(2.0 * p * v2);
    } else {
        gainLeft = static_cast<float>((1.0 - 2.0 * (p - 0.5)) * v2);
        gainRight = static_cast<float>(v2);
    }
}

void Zivadov::applySpeed() {
    tremoloModulator.setSpeed(static_cast<float>(speedLaw(speed)));
}
void Zivadov::applyDepth() {
    tremoloModulator.setDepth(unitRange(depth));
}
void Zivadov::applyWave() {
    tremoloModulator.setWave(waveFromValue(wave));
}
void Zivadov::applyPanSpeed() {
    panModulator.setSpeed(static_cast<float>(speedLaw(panSpeed)));
}
void Zivadov::applyPanWidth() {
    panModulator.setDepth(unitRange(panWidth));
}
void Zivadov::applyPanWave() {
    panModulator.setWave(waveFromValue(panWave));
}

void Zivadov::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    const double gl = gainLeft;
    const double gr = gainRight;
    Oscillator::Cursor panAt = panModulator.cursor();
    Oscillator::Cursor tremoloAt = tremoloModulator.cursor();
    for (std::int32_t i = 0; i < sampleFrames; ++i) {
        const double x = in[i];
        panAt.tick();
        const double p = panModulator.valueAt(panAt);
        tremoloAt.tick();
        const double t = tremoloModulator.valueAt(tremoloAt);
        left[i] = static_cast<float>(left[i] + x * (1.0 - p) * gl * t);
        right[i] = static_cast<float>(right[i] + x * p * t * gr);
    }
    panModulator.setCursor(panAt);
    tremoloModulator.setCursor(tremoloAt);
}

} // namespace pulsar
