#include "zo_flanger.h"

#include "normalized.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace jetstream {

namespace {

constexpr std::int32_t kUniqueId = ('J' << 24) | ('s' << 16) | ('t' << 8) | '4';
constexpr double kLongestDelayMs = 20.0;
constexpr double kLongestPreDelayMs = 500.0;
constexpr std::size_t kTextSize = 11; // the longest display, "     359\xB0 ", and the terminator

[[gnu::format(printf, 2, 3)]] void showText(char* text, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::vsnprintf(text, kTextSize, format, args);
    va_end(args);
}

// "   %d%%" of trunc(100 x value).
void showPercent(double value, char* text) {
    showText(text, "   %d%%", static_cast<int>(100.0 * value));
}

// "  <C>  " in the centre, else the side and how far towards it.
void showPan(float v, char* text) {
    const int p = static_cast<int>(200.0 * v - 100.0);
    if (p == 0)
        showText(text, "  <C>  ");
    else if (p < 0)
        showText(text, "  <%d", -p);
    else
        showText(text, "  %d>", p);
}

void showCutoff(const zo::ZoFilter& filter, char* text) {
    if (filter.bypassed())
        showText(text, "    Off  ");
    else
        showText(text, "  %5d", static_cast<int>(std::floor(filter.cutoff)));
}

constexpr ZoFlangerProgram defaultProgram() {
    return {{0.3f, 0.9f, 0.3f, 0.9f, 0.3f, 0.75f, 0.9f, 0.75f, 0.0f, 0.33f, 0.0f, 0.5f, 0.0f, 0.5f,
             1.0f, 1.0f, 0.5f},
            "Default Flanger"};
}

} // namespace

// One row per parameter: its texts, how a value (already brought into 0..1) is applied,
// and how the parameter is shown from the effect's state and that value.
struct ZoFlanger::ParameterInfo {
    const char* name;
    const char* label;
    void (ZoFlanger::*apply)(float v);
    void (*show)(const ZoFlanger& effect, float v, char* text);
};

const ZoFlanger::ParameterInfo ZoFlanger::kParameters[kNumParams] = {
    {" Delay  A", "   mSec ", &ZoFlanger::applyDelayA,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.delayAMs)); }},
    {" Depth A", " Depth ", &ZoFlanger::applyDepthA,
     [](const ZoFlanger&, float v, char* t) { showPercent(v, t); }},
    {" Delay  B", "   mSec ", &ZoFlanger::applyDelayB,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.delayBMs)); }},
    {" Depth B", " Depth ", &ZoFlanger::applyDepthB,
     [](const ZoFlanger&, float v, char* t) { showPercent(v, t); }},
    {"   Rate ", "  Rate ", &ZoFlanger::applyRate,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.rateHz)); }},
    {" Phase Sep", "  Degrees", &ZoFlanger::applyPhaseSep,
     [](const ZoFlanger&, float v, char* t) {
         showText(t, "     %d\xB0 ", static_cast<int>(359.0 * v));
     }},
    {"FeedBack", "    Amt ", &ZoFlanger::applyFeedback,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.feedback, t); }},
    {" Cutoff", "    Hz ", &ZoFlanger::applyCutoff,
     [](const ZoFlanger& e, float, char* t) { showCutoff(e.lowPassL, t); }},
    {" Lo Cut", "    Hz ", &ZoFlanger::applyLoCut,
     [](const ZoFlanger& e, float, char* t) { showCutoff(e.highPassL, t); }},
    {"  LFO", "  Type", &ZoFlanger::applyLfoType,
     [](const ZoFlanger& e, float, char* t) {
         static const char* const kShapes[] = {"  SINE ", "   TRI ", "  EXP1 ", "  EXP2 "};
         showText(t, "%s", kShapes[e.lfo.shape & 3]);
     }},
    {" PreDelay", "   mSec ", &ZoFlanger::applyPreDelay,
     [](const ZoFlanger& e, float, char* t) { showText(t, "  %.2f", double(e.preDelayMs)); }},
    {" Out A", "     % ", &ZoFlanger::applyOutA,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.outGainA, t); }},
    {" Pan A", "   Pan ", &ZoFlanger::applyPanA,
     [](const ZoFlanger&, float v, char* t) { showPan(v, t); }},
    {" Out B", "     % ", &ZoFlanger::applyOutB,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.outGainB, t); }},
    {" Pan B", "   Pan ", &ZoFlanger::applyPanB,
     [](const ZoFlanger&, float v, char* t) { showPan(v, t); }},
    {" Dry:Wet ", "   Ratio", &ZoFlanger::applyDryWet,
     [](const ZoFlanger&, float v, char* t) {
         showText(t, "   %d:%d ", static_cast<int>(100.0 * (1.0 - v)), static_cast<int>(100.0 * v));
     }},
    {"  Master ", "     % ", &ZoFlanger::applyMaster,
     [](const ZoFlanger& e, float, char* t) { showPercent(e.masterGain, t); }},
};

ZoFlanger::ZoFlanger(HostCallback host) : ZoEffect(host, kNumPrograms, kNumParams) {
    programs.fill(defaultProgram());
    setProgram(0);
    setNumInputs(2);
    setNumOutputs(2);
    canMono(true);
    hasVu(true);
    hasClip(true);
    setUniqueID(kUniqueId);
    sampleRateChanged();
    suspend();
}

bool ZoFlanger::isComplete() const {
    return preDelayL.isAllocated() && preDelayR.isAllocated() && voiceA.isAllocated() &&
           voiceB.isAllocated();
}

void ZoFlanger::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kNumParams) return;
    values[index] = value;
    programs[currentProgram].values[index] = value;
    (this->*kParameters[index].apply)(unitRange(value));
}

float ZoFlanger::getParameter(std::int32_t index) {
    return index >= 0 && index < kNumParams ? values[index] : 0.0f;
}

void ZoFlanger::setProgram(std::int32_t program) {
    if (program < 0 || program >= kNumPrograms) return;
    currentProgram = program;
    const ZoFlangerProgram stored = programs[program];
    for (int index : {kRate, kDepthA, kDelayA, kDepthB, kDelayB, kPhaseSep, kFeedback, kCutoff,
                      kLfoType, kLoCut, kPreDelay, kDryWet, kMaster, kPanA, kPanB, kOutA, kOutB})
        setParameter(index, stored.values[index]);
}

void ZoFlanger::setProgramName(char* name) {
    char* field = programs[currentProgram].name;
    std::strncpy(field, name, ZoFlangerProgram::kNameSize - 1);
    field[ZoFlangerProgram::kNameSize - 1] = 0;
}

void ZoFlanger::getProgramName(char* name) { std::strcpy(name, programs[currentProgram].name); }

void ZoFlanger::getParameterLabel(std::int32_t index, char* label) {
    if (index >= 0 && index < kNumParams) std::strcpy(label, kParameters[index].label);
}

void ZoFlanger::getParameterDisplay(std::int32_t index, char* text) {
    if (index >= 0 && index < kNumParams)
        kParameters[index].show(*this, unitRange(values[index]), text);
}

void ZoFlanger::getParameterName(std::int32_t index, char* text) {
    if (index >= 0 && index < kNumParams)
        std::strcpy(text, kParameters[index].name);
    else if (index == kNumParams || index == kNumParams + 1)
        std::strcpy(text, "Unknown");
}

float ZoFlanger::getVu() {
    const float level = vu;
    vu = 0.0f;
    return level;
}

// A delay in milliseconds as whole samples at the effect's rate, at least 1.
std::int32_t ZoFlanger::delaySamplesFor(double ms) const {
    const std::int32_t samples = zo::wholeSamples(double(sampleRate) * ms * 0.001);
    return samples > 0 ? samples : 1;
}

void ZoFlanger::applyDelayA(float v) {
    delayAMs = static_cast<float>(kLongestDelayMs * v * v);
    delayA = delaySamplesFor(delayAMs);
    computeModulation();
}

void ZoFlanger::applyDepthA(float v) {
    depthA = v;
    computeModulation();
}

void ZoFlanger::applyDelayB(float v) {
    delayBMs = static_cast<float>(kLongestDelayMs * v * v);
    delayB = delaySamplesFor(delayBMs);
    computeModulation();
}

void ZoFlanger::applyDepthB(float v) {
    depthB = v;
    computeModulation();
}

void ZoFlanger::computeModulation() {
    modA = static_cast<float>(double(depthA) * delayA);
    modB = static_cast<float>(double(depthB) * delayB);
}

void ZoFlanger::applyRate(float v) {
    rateHz = static_cast<float>(10.0 * v * v);
    lfo.setRate(rateHz);
}

void ZoFlanger::applyPhaseSep(float v) {
    lfo.phaseDegrees = static_cast<float>(359.0 * v);
    lfo.recalc();
}

void ZoFlanger::applyFeedback(float v) { feedback = static_cast<float>(2.0 * v - 1.0); }

void ZoFlanger::applyCutoff(float v) {
    cutoffHz = static_cast<float>(9500.0 * v * v + 500.0);
    lowPassL.setCutoff(cutoffHz);
    lowPassR.setCutoff(cutoffHz);
}

void ZoFlanger::applyLoCut(float v) {
    lowCutHz = static_cast<float>(2000.0 * v);
    highPassL.setCutoff(lowCutHz);
    highPassR.setCutoff(lowCutHz);
}

void ZoFlanger::applyLfoType(float v) {
    // 1.0 would select a fifth shape; it selects the last.
    const float below = v >= 1.0f ? 0.999f : v;
    lfo.setShape(static_cast<std::int32_t>(std::floor(4.0 * below)));
}

void ZoFlanger::applyPreDelay(float v) {
    preDelayMs = static_cast<std::int32_t>(kLongestPreDelayMs * v * v * v);
    preDelaySamples = delaySamplesFor(preDelayMs);
    preDelayL.setDelaySamples(preDelaySamples);
    preDelayR.setDelaySamples(preDelaySamples);
}

void ZoFlanger::applyOutA(float v) {
    outGainA = 2.0f * v;
    computeMixGains();
}

void ZoFlanger::applyPanA(float v) {
    panA = v;
    computeMixGains();
}

void ZoFlanger::applyOutB(float v) {
    outGainB = 2.0f * v;
    computeMixGains();
}

void ZoFlanger::applyPanB(float v) {
    panB = v;
    computeMixGains();
}

void ZoFlanger::applyDryWet(float v) {
    dryWet = v;
    computeMixGains();
}

void ZoFlanger::applyMaster(float v) {
    masterGain = 2.0f * v;
    computeMixGains();
}

// Linear pan; Master scales the voices here and the whole sum again in process.
void ZoFlanger::computeMixGains() {
    gainDry = static_cast<float>(1.0 - dryWet);
    gainAL = static_cast<float>((1.0 - panA) * dryWet * outGainA * masterGain);
    gainAR = static_cast<float>(double(panA) * dryWet * outGainA * masterGain);
    gainBL = static_cast<float>((1.0 - panB) * dryWet * outGainB * masterGain);
    gainBR = static_cast<float>(double(panB) * dryWet * outGainB * masterGain);
}

void ZoFlanger::suspend() {
    voiceA.reset();
    voiceB.reset();
    lowPassL.reset();
    lowPassR.reset();
    highPassL.reset();
    highPassR.reset();
    voiceOutA = 0.0f;
    voiceOutB = 0.0f;
}

void ZoFlanger::sampleRateChanged() {
    const float rate = sampleRate;
    lfo.setSamplingRate(rate);
    voiceA.setSamplingRate(rate);
    voiceB.setSamplingRate(rate);
    preDelayL.setSamplingRate(rate);
    preDelayR.setSamplingRate(rate);
    lowPassL.setSamplingRate(rate);
    lowPassR.setSamplingRate(rate);
    highPassL.setSamplingRate(rate);
    highPassR.setSamplingRate(rate);
    lfo.setRate(1.0f);

    // Rings for the longest delays any parameter value asks at this rate: a voice swings
    // up to twice its delay and reads one sample beyond that.
    const std::int32_t longestVoice = 2 * delaySamplesFor(kLongestDelayMs) + 1;
    voiceA.allocate(longestVoice);
    voiceB.allocate(longestVoice);
    preDelayL.allocate(delaySamplesFor(kLongestPreDelayMs));
    preDelayR.allocate(delaySamplesFor(kLongestPreDelayMs));
}

void ZoFlanger::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    const float* inLeft = inputs[0];
    const float* inRight = inputs[1];
    float* outLeft = outputs[0];
    float* outRight = outputs[1];

    auto preL = preDelayL.cursor();
    auto preR = preDelayR.cursor();
    auto lowCutL = highPassL.kernel();
    auto lowCutR = highPassR.kernel();
    auto loopL = lowPassL.kernel();
    auto loopR = lowPassR.kernel();
    auto lineA = voiceA.modCursor();
    auto lineB = voiceB.modCursor();
    auto osc = lfo.reader();
    const double wholeA = delayA, wholeB = delayB;
    const double swingA = modA, swingB = modB;
    const double fb = feedback;
    const double master = masterGain;
    const double dry = gainDry;
    const double al = gainAL, ar = gainAR, bl = gainBL, br = gainBR;
    float outA = voiceOutA;
    float outB = voiceOutB;

    for (std::int32_t k = 0; k < sampleFrames; ++k) {
        const float inL = inLeft[k];
        const float inR = inRight[k];

        const float xR = lowCutR.step(preR.tick(inR));
        lineB.setFractionalDelay(static_cast<float>(wholeB + osc.shiftedValue() * swingB));
        const float sB = static_cast<float>(xR + fb * outB);
        // Silence stops the voice: no tick, and nothing decays into subnormal numbers.
        outB = std::fabs(sB) <= 1e-8f ? 0.0f : lineB.tickInterpolated(loopR.oneStage(sB));

        const float xL = lowCutL.step(preL.tick(inL));
        lineA.setFractionalDelay(static_cast<float>(wholeA + osc.value() * swingA));
        osc.advance();
        const float sA = static_cast<float>(xL + fb * outA);
        outA = std::fabs(sA) <= 1e-8f ? 0.0f : lineA.tickInterpolated(loopL.oneStage(sA));

        outLeft[k] = static_cast<float>(outLeft[k] + master * (bl * outB + al * outA + dry * inL));
        outRight[k] = static_cast<float>(outRight[k] + master * (br * outB + ar * outA + dry * inR));
    }

    preDelayL.keep(preL);
    preDelayR.keep(preR);
    highPassL.keep(lowCutL);
    highPassR.keep(lowCutR);
    lowPassL.keep(loopL);
    lowPassR.keep(loopR);
    voiceA.keep(lineA);
    voiceB.keep(lineB);
    lfo.keep(osc);
    voiceOutA = outA;
    voiceOutB = outB;
}

} // namespace jetstream
