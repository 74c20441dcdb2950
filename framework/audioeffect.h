// AudioEffect: the base class of every effect. It owns the record handed to the host,
// keeps what every effect shares (sample rate, block size, current program, the host's
// callback, an optional editor), turns opcodes into calls of its virtual operations, and
// wraps the host callbacks. Derived effects override what they need; the rest keeps the
// harmless defaults here.
//
// Two revisions exist, chosen per module with FX_FRAMEWORK_REVISION: revision 1 has 43
// virtual operations; revision 2 adds getChunk, setChunk (opcodes 23, 24) and
// programsAreChunks, in the slot order that revision had.
//
// Threads: hosts call the parameter and text operations from their main thread and
// process from their audio thread. Only construction, the destructor and
// setSampleRate/setBlockSize may allocate; process and processReplacing never do.
#pragma once

#include "aeffect.h"

#include <cstdint>

#ifndef FX_FRAMEWORK_REVISION
#error "FX_FRAMEWORK_REVISION must be 1 or 2"
#endif

class AEffEditor;

class AudioEffect {
public:
    // Main thread (inside the host's call of `main`).
    AudioEffect(HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~AudioEffect();

    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // Parameters: main thread, while the audio thread may be processing.
    virtual void setParameter(std::int32_t index, float value);
    virtual float getParameter(std::int32_t index);
    virtual void setParameterAutomated(std::int32_t index, float value);

    // Audio thread. `process` adds into the outputs, `processReplacing` overwrites them.
    virtual void process(float** inputs, float** outputs, std::int32_t sampleFrames) = 0;
    virtual void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames);

    // Main thread.
    virtual FxIntPtr dispatcher(std::int32_t opcode, std::int32_t index, FxIntPtr value, void* ptr,
                                float opt);
    virtual void open();
    virtual void close();
    virtual std::int32_t getProgram();
    virtual void setProgram(std::int32_t program);
    virtual void setProgramName(char* name);
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(std::int32_t index, char* label);
    virtual void getParameterDisplay(std::int32_t index, char* text);
    virtual void getParameterName(std::int32_t index, char* text);
    virtual float getVu();
#if FX_FRAMEWORK_REVISION >= 2
    virtual std::int32_t getChunk(void** data, bool isPreset);
    virtual std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset);
#endif
    virtual void setSampleRate(float sampleRate);
    virtual void setBlockSize(std::int32_t blockSize);
    virtual void suspend();
    virtual void resume();

    // Configuration, called by effects from their constructors.
    virtual void setUniqueID(std::int32_t id);
    virtual void setNumInputs(std::int32_t inputs);
    virtual void setNumOutputs(std::int32_t outputs);
    virtual void hasVu(bool state);
    virtual void hasClip(bool state);
    virtual void canMono(bool state);
    virtual void canProcessReplacing(bool state);
#if FX_FRAMEWORK_REVISION >= 2
    virtual void programsAreChunks(bool state);
#endif
    virtual void setRealtimeQualities(std::int32_t qualities);
    virtual void setOfflineQualities(std::int32_t qualities);
    virtual void setInitialDelay(std::int32_t delay);

    virtual float getSampleRate();
    virtual std::int32_t getBlockSize();

    // Host wrappers over the host callback's opcodes 0 to 4.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(std::int32_t input);
    virtual bool isOutputConnected(std::int32_t output);

    // Display conversions: at most 8 characters and a terminating zero.
    virtual void dB2string(float value, char* text);
    virtual void Hz2string(float samples, char* text);
    virtual void ms2string(float samples, char* text);
    virtual void float2string(float value, char* text);
    virtual void long2string(std::int32_t value, char* text);

    void setEditor(AEffEditor* newEditor);
    AEffect* getEffectRecord() { return &effectRecord; }

protected:
    float sampleRate;
    AEffEditor* editor;
    HostCallback hostCallback;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t currentProgram;
    std::int32_t blockSize;
    AEffect effectRecord;

private:
    void setFlag(std::int32_t flag, bool state);
    FxIntPtr callHost(std::int32_t opcode, std::int32_t index, FxIntPtr value);
    // processReplacing for effects that only accumulate (host-compatibility option).
    void processIntoClearedOutputs(float** inputs, float** outputs, std::int32_t sampleFrames);

    // Copies of the inputs when a host processes in place and the outputs must be
    // cleared first; sized so that this never allocates.
    static constexpr int kScratchChannels = 8;
    static constexpr int kScratchFrames = 256;
    float scratch[kScratchChannels][kScratchFrames];
};
