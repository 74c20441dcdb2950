// The arguments of `fxhost process`, parsed and checked.
#pragma once

#include "offline_render.h"

#include <optional>
#include <string>
#include <vector>

struct ProcessOptions {
    std::string pluginPath;
    std::string inputPath;
    std::string outputPath;
    std::optional<double> sampleRate; // the file's rate when not given
    int blockSize = 512;
    std::optional<int> program;
    std::vector<ParameterSetting> parameters;
    bool replacing = false;
    double tailSeconds = 0.0;
    bool helpRequested = false;
};

inline constexpr int kMaxBlockSize = 65536;

// Throws UsageError for anything malformed or out of range that can be judged without
// the plug-in.
ProcessOptions parseProcessOptions(const std::vector<std::string>& arguments);

// Throws UsageError when a parameter index or program does not exist in this plug-in, or
// --replacing was asked of a plug-in that cannot replace.
void checkAgainstPlugin(const ProcessOptions& options, const fxhost::Plugin& plugin);
