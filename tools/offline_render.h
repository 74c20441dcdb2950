// One run of a plug-in driven the way a host drives it: the configuration calls in a
// host's order, then blocks of audio, then suspend and close.
#pragma once

#include "plugin_host.h"

#include <optional>
#include <vector>

struct ParameterSetting {
    int index;
    float value;
};

struct HostSettings {
    float sampleRate = 44100.0f;
    int blockSize = 512;
    std::optional<int> program;
    std::vector<ParameterSetting> parameters; // applied in order, after the program
    bool replacing = false;                   // processReplacing instead of process
};

class PluginSession {
public:
    // open, setSampleRate, setBlockSize, setProgram (the chosen one, or the current one
    // again), the parameters, resume. The caller
    // has checked the settings against the plug-in (see process_options.h).
    PluginSession(fxhost::Plugin& plugin, const HostSettings& settings);
    // Finishes the session if finish() was not called.
    ~PluginSession();

    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // Processes `frames` (at most the block size) frames. With `process`, which adds into
    // the outputs, the outputs are cleared first.
    void processBlock(fxhost::AudioBuffers& inputs, fxhost::AudioBuffers& outputs, int frames);
    // suspend and close.
    void finish();

    // Time spent inside the plug-in's processing calls so far.
    double secondsInPlugin() const { return processingSeconds; }

private:
    fxhost::Plugin& plugin;
    bool replacing;
    bool finished = false;
    double processingSeconds = 0.0;
};
