#include "audioeffect.h"

#include "aeffeditor.h"
#include "denormal_guard.h"
#include "module_options.h"

#include <cmath>
#include <cstring>

namespace {

AudioEffect* effectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

// The five entry points placed in the record. They forward to the effect behind it.

FxIntPtr FX_CDECL dispatchEffectClass(AEffect* e, std::int32_t opcode, std::int32_t index,
                                      FxIntPtr value, void* ptr, float opt) {
    AudioEffect* effect = effectOf(e);
    if (opcode == opClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void FX_CDECL processClass(AEffect* e, float** inputs, float** outputs, std::int32_t frames) {
    DenormalGuard guard;
    effectOf(e)->process(inputs, outputs, frames);
}

void FX_CDECL processClassReplacing(AEffect* e, float** inputs, float** outputs,
                                    std::int32_t frames) {
    DenormalGuard guard;
    effectOf(e)->processReplacing(inputs, outputs, frames);
}

void FX_CDECL setParameterClass(AEffect* e, std::int32_t index, float value) {
    effectOf(e)->setParameter(index, value);
}

float FX_CDECL getParameterClass(AEffect* e, std::int32_t index) {
    return effectOf(e)->getParameter(index);
}

// The level meter reaches the host as a fraction of 32767, truncated toward zero.
// Nothing limits the level, so it may lie outside 0..1; only values beyond the int32
// range (and NaN, shown as 0) are held at its ends instead of overflowing.
std::int32_t vuToHost(float vu) {
    const double scaled = double(vu) * 32767.0;
    if (!(scaled == scaled)) return 0;
    if (scaled >= 2147483647.0) return INT32_MAX;
    if (scaled <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(scaled);
}

} // namespace

AudioEffect::AudioEffect(HostCallback hostCallback, std::int32_t numPrograms,
                         std::int32_t numParams)
    : sampleRate(44100.0f), editor(nullptr), hostCallback(hostCallback),
      numPrograms(numPrograms), numParams(numParams), currentProgram(0), blockSize(1024),
      scratch() {
    // Every byte of the record, padding included, starts at zero.
    std::memset(&effectRecord, 0, sizeof effectRecord);
    effectRecord.magic = kEffectMagic;
    effectRecord.dispatcher = dispatchEffectClass;
    effectRecord.process = processClass;
    effectRecord.setParameter = setParameterClass;
    effectRecord.getParameter = getParameterClass;
    effectRecord.numPrograms = numPrograms;
    effectRecord.numParams = numParams;
    effectRecord.numInputs = 1;
    effectRecord.numOutputs = 2;
    effectRecord.ioRatio = 1.0f;
    effectRecord.object = this;
    effectRecord.uniqueID = moduleOptions().defaultUniqueId;
    effectRecord.version = 1;
    effectRecord.processReplacing = processClassReplacing;
    if (moduleOptions().hostCompatibility) effectRecord.flags |= flagCanReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setParameter(std::int32_t, float) {}
float AudioEffect::getParameter(std::int32_t) { return 0.0f; }

void AudioEffect::setParameterAutomated(std::int32_t index, float value) {
    // The effect takes the value before the host hears of it.
    setParameter(index, value);
    if (hostCallback) hostCallback(&effectRecord, hostAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) {
    if (moduleOptions().hostCompatibility) processIntoClearedOutputs(inputs, outputs, sampleFrames);
}

void AudioEffect::processIntoClearedOutputs(float** inputs, float** outputs,
                                            std::int32_t sampleFrames) {
    if (sampleFrames <= 0) return;
    const int numIn = effectRecord.numInputs;
    const int numOut = effectRecord.numOutputs;
    bool inPlace = false;
    for (int i = 0; i < numIn; ++i)
        for (int o = 0; o < numOut; ++o) inPlace = inPlace || inputs[i] == outputs[o];

    // (No effect has more channels than the scratch holds; such a one would be processed
    // without the copy.)
    if (!inPlace || numIn > kScratchChannels || numOut > kScratchChannels) {
        for (int o = 0; o < numOut; ++o) std::memset(outputs[o], 0, sizeof(float) * sampleFrames);
        process(inputs, outputs, sampleFrames);
        return;
    }

    // In place: clearing an output would clear the input it shares, so each stretch of
    // the inputs is copied aside first. The effects' results do not depend on how a
    // block is divided.
    float* stretchInputs[kScratchChannels];
    float* stretchOutputs[kScratchChannels];
    for (int done = 0; done < sampleFrames; done += kScratchFrames) {
        const int frames = sampleFrames - done < kScratchFrames ? sampleFrames - done : kScratchFrames;
        for (int i = 0; i < numIn; ++i) {
            std::memcpy(scratch[i], inputs[i] + done, sizeof(float) * frames);
            stretchInputs[i] = scratch[i];
        }
        for (int o = 0; o < numOut; ++o) {
            stretchOutputs[o] = outputs[o] + done;
            std::memset(stretchOutputs[o], 0, sizeof(float) * frames);
        }
        process(stretchInputs, stretchOutputs, frames);
    }
}

FxIntPtr AudioEffect::dispatcher(std::int32_t opcode, std::int32_t index, FxIntPtr value,
                                 void* ptr, float opt) {
    // Opcodes that take a text or a rectangle address do nothing without one.
    const bool needsPointer = (opcode >= opSetProgramName && opcode <= opGetParamName) ||
                              opcode == opEditGetRect;
    if (needsPointer && ptr == nullptr) return 0;

    switch (opcode) {
    case opOpen: open(); break;
    case opClose: close(); break;
    case opSetProgram:
        // A negative number would index before the effect's program table.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<std::int32_t>(value));
        break;
    case opGetProgram: return getProgram();
    case opSetProgramName: setProgramName(static_cast<char*>(ptr)); break;
    case opGetProgramName: getProgramName(static_cast<char*>(ptr)); break;
    case opGetParamLabel: getParameterLabel(index, static_cast<char*>(ptr)); break;
    case opGetParamDisplay: getParameterDisplay(index, static_cast<char*>(ptr)); break;
    case opGetParamName: getParameterName(index, static_cast<char*>(ptr)); break;
    case opGetVu: return vuToHost(getVu());
    case opSetSampleRate: setSampleRate(opt); break;
    case opSetBlockSize: setBlockSize(static_cast<std::int32_t>(value)); break;
    case opSuspendResume:
        if (value == 0)
            suspend();
        else
            resume();
        break;
    case opEditGetRect:
        if (editor) return editor->getRect(static_cast<ERect**>(ptr));
        break;
    case opEditOpen:
        if (editor) return editor->open(ptr);
        break;
    case opEditClose:
        if (editor) editor->close();
        break;
    case opEditIdle:
        if (editor) editor->idle();
        break;
    case opIdentify: return kIdentifyAnswer;
#if FX_FRAMEWORK_REVISION >= 2
    case opGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case opSetChunk: return setChunk(ptr, static_cast<std::int32_t>(value), index != 0);
#endif
    case opCanBeAutomated:
        if (moduleOptions().hostCompatibility) return index >= 0 && index < numParams ? 1 : 0;
        break;
    default: break;
    }
    return 0;
}

void AudioEffect::open() {}
void AudioEffect::close() {}
std::int32_t AudioEffect::getProgram() { return currentProgram; }
void AudioEffect::setProgram(std::int32_t program) { currentProgram = program; }
void AudioEffect::setProgramName(char* name) { name[0] = 0; }
void AudioEffect::getProgramName(char* name) { name[0] = 0; }
void AudioEffect::getParameterLabel(std::int32_t, char* label) { label[0] = 0; }
void AudioEffect::getParameterDisplay(std::int32_t, char* text) { text[0] = 0; }
void AudioEffect::getParameterName(std::int32_t, char* text) { text[0] = 0; }
float AudioEffect::getVu() { return 0.0f; }
#if FX_FRAMEWORK_REVISION >= 2
std::int32_t AudioEffect::getChunk(void**, bool) { return 0; }
std::int32_t AudioEffect::setChunk(void*, std::int32_t, bool) { return 0; }
#endif
void AudioEffect::setSampleRate(float rate) { sampleRate = rate; }
void AudioEffect::setBlockSize(std::int32_t size) { blockSize = size; }
void AudioEffect::suspend() {}
void AudioEffect::resume() {}

void AudioEffect::setUniqueID(std::int32_t id) { effectRecord.uniqueID = id; }
void AudioEffect::setNumInputs(std::int32_t inputs) { effectRecord.numInputs = inputs; }
void AudioEffect::setNumOutputs(std::int32_t outputs) { effectRecord.numOutputs = outputs; }

void AudioEffect::setFlag(std::int32_t flag, bool state) {
    if (state)
        effectRecord.flags |= flag;
    else
        effectRecord.flags &= ~flag;
}

void AudioEffect::hasVu(bool state) { setFlag(flagHasVu, state); }
void AudioEffect::hasClip(bool state) { setFlag(flagHasClip, state); }
void AudioEffect::canMono(bool state) { setFlag(flagCanMono, state); }
void AudioEffect::canProcessReplacing(bool state) {
    // 64-bit hosts refuse effects without it, and every effect can replace there.
    setFlag(flagCanReplacing, state || moduleOptions().hostCompatibility);
}
#if FX_FRAMEWORK_REVISION >= 2
void AudioEffect::programsAreChunks(bool state) { setFlag(flagProgramChunks, state); }
#endif
void AudioEffect::setRealtimeQualities(std::int32_t q) { effectRecord.realtimeQualities = q; }
void AudioEffect::setOfflineQualities(std::int32_t q) { effectRecord.offlineQualities = q; }
void AudioEffect::setInitialDelay(std::int32_t delay) { effectRecord.initialDelay = delay; }

float AudioEffect::getSampleRate() { return sampleRate; }
std::int32_t AudioEffect::getBlockSize() { return blockSize; }

FxIntPtr AudioEffect::callHost(std::int32_t opcode, std::int32_t index, FxIntPtr value) {
    return hostCallback(&effectRecord, opcode, index, value, nullptr, 0.0f);
}

std::int32_t AudioEffect::getMasterVersion() {
    if (!hostCallback) return 1;
    const FxIntPtr version = callHost(hostVersion, 0, 0);
    return version ? static_cast<std::int32_t>(version) : 1;
}

std::int32_t AudioEffect::getCurrentUniqueId() {
    return hostCallback ? static_cast<std::int32_t>(callHost(hostCurrentId, 0, 0)) : 0;
}

void AudioEffect::masterIdle() {
    if (hostCallback) callHost(hostIdle, 0, 0);
}

bool AudioEffect::isInputConnected(std::int32_t input) {
    return hostCallback ? callHost(hostPinConnected, input, 0) == 0 : true;
}

bool AudioEffect::isOutputConnected(std::int32_t output) {
    return hostCallback ? callHost(hostPinConnected, output, 1) == 0 : true;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(flagHasEditor, newEditor != nullptr);
}
