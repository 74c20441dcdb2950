// Our host library: loads a plug-in module by path and drives its record the way a
// sequencer does. Used by the tests, the benchmarks, the fuzzers and fxhost.
//
// A Plugin is one effect instance. Its calls are not synchronised: like a real host,
// the caller decides which thread calls what.
#pragma once

#include "aeffect.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fxhost {

// Why a plug-in could not be loaded, in words for the user.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One call that the plug-in made to the host.
struct HostCall {
    std::int32_t opcode;
    std::int32_t index;
    FxIntPtr value;
    float opt;
};

struct HostOptions {
    // The answer to the plug-in's version query; 0 makes plug-ins refuse to start.
    FxIntPtr version = 1;
};

// Channels of float samples that the host owns, with the pointer array that crosses the
// boundary.
class AudioBuffers {
public:
    AudioBuffers(int channels, int frames);
    int channels() const { return static_cast<int>(data.size()); }
    int frames() const { return frameCount; }
    float* channel(int c) { return data[c].data(); }
    const float* channel(int c) const { return data[c].data(); }
    float** pointers() { return channelPointers.data(); }
    void clear();

private:
    int frameCount;
    std::vector<std::vector<float>> data;
    std::vector<float*> channelPointers;
};

class Plugin {
public:
    using MainEntry = AEffect*(FX_CDECL*)(HostCallback);

    // Loads the module and calls its `main`. Throws LoadError.
    static std::unique_ptr<Plugin> load(const std::string& path, const HostOptions& options = {});
    // Calls a `main` that is linked into this program, e.g. an effect built with the
    // in-memory platform backends for a test. `name` stands in for the path in messages.
    // Throws LoadError.
    static std::unique_ptr<Plugin> attach(const std::string& name, MainEntry entry,
                                          const HostOptions& options = {});
    // Sends the close opcode unless already sent, then unloads the module.
    ~Plugin();

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    const std::string& path() const { return modulePath; }
    AEffect& record() { return *effect; }

    FxIntPtr dispatch(std::int32_t opcode, std::int32_t index = 0, FxIntPtr value = 0,
                      void* ptr = nullptr, float opt = 0.0f);

    // Configuration.
    void open() { dispatch(opOpen); }
    // Sends the close opcode; the record is gone afterwards. Returns the entry's answer.
    FxIntPtr close();
    bool isClosed() const { return effect == nullptr; }
    void setSampleRate(float rate) { dispatch(opSetSampleRate, 0, 0, nullptr, rate); }
    void setBlockSize(int frames) { dispatch(opSetBlockSize, 0, frames); }
    void suspend() { dispatch(opSuspendResume, 0, 0); }
    void resume() { dispatch(opSuspendResume, 0, 1); }

    int numPrograms() const { return effect->numPrograms; }
    int numParams() const { return effect->numParams; }
    int numInputs() const { return effect->numInputs; }
    int numOutputs() const { return effect->numOutputs; }
    std::int32_t flags() const { return effect->flags; }
    std::int32_t uniqueId() const { return effect->uniqueID; }
    bool canReplace() const { return (effect->flags & flagCanReplacing) != 0; }

    // Parameters.
    float parameter(int index) { return effect->getParameter(effect, index); }
    void setParameter(int index, float value) { effect->setParameter(effect, index, value); }

    // A text the plug-in writes into a buffer of ours (opcodes 5 to 8), or nothing when
    // it left the buffer as it was or did not terminate it.
    std::optional<std::string> queryText(std::int32_t opcode, std::int32_t index = 0);
    std::string parameterName(int index) { return queryText(opGetParamName, index).value_or(""); }
    std::string parameterLabel(int index) { return queryText(opGetParamLabel, index).value_or(""); }
    std::string parameterDisplay(int index) {
        return queryText(opGetParamDisplay, index).value_or("");
    }

    // Programs.
    int program() { return static_cast<int>(dispatch(opGetProgram)); }
    void setProgram(int program) { dispatch(opSetProgram, 0, program); }
    std::string programName() { return queryText(opGetProgramName).value_or(""); }
    void setProgramName(const std::string& name);

    int vu() { return static_cast<int>(dispatch(opGetVu)); }

    // Processing through the record's entries.
    void process(float** inputs, float** outputs, int frames) {
        effect->process(effect, inputs, outputs, frames);
    }
    void processReplacing(float** inputs, float** outputs, int frames) {
        effect->processReplacing(effect, inputs, outputs, frames);
    }
    void process(AudioBuffers& inputs, AudioBuffers& outputs, int frames) {
        process(inputs.pointers(), outputs.pointers(), frames);
    }
    void processReplacing(AudioBuffers& inputs, AudioBuffers& outputs, int frames) {
        processReplacing(inputs.pointers(), outputs.pointers(), frames);
    }

    // What the plug-in asked of the host so far, oldest first.
    std::vector<HostCall> calls() const;

    // The callback handed to `main`; public for hosts that drive a record themselves.
    static FxIntPtr FX_CDECL hostCallback(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                          FxIntPtr value, void* ptr, float opt);

private:
    Plugin(std::string path, void* module, HostOptions options);
    static std::unique_ptr<Plugin> start(std::unique_ptr<Plugin> plugin, MainEntry entry);
    FxIntPtr answer(std::int32_t opcode, std::int32_t index, FxIntPtr value, float opt);

    std::string modulePath;
    void* module;
    HostOptions options;
    AEffect* effect = nullptr;
    mutable std::mutex callsMutex;
    std::vector<HostCall> recordedCalls;
};

// The texts of the record's flags, e.g. "canReplacing hasVu".
std::string flagNames(std::int32_t flags);

// A four-character code as text, with unprintable bytes as '?'.
std::string fourCharText(std::int32_t code);

} // namespace fxhost
