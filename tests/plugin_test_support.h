// Helpers for tests that load the real built plug-ins.
#pragma once

#include "plugin_host.h"

#include <memory>
#include <string>
#include <vector>

namespace fxtest {

// Every plug-in module in the build's plug-in folder, by name (file name without .so).
std::vector<std::string> pluginNames();
std::string pluginPath(const std::string& name);
std::unique_ptr<fxhost::Plugin> loadPlugin(const std::string& name);

// Two output channels as a test holds them.
using Stereo = std::vector<std::vector<float>>;

enum class Path { Accumulating, Replacing };

// Runs a mono `input` through one processing path in blocks of `block`, into two outputs
// that hold `held` beforehand (silence when empty), and returns them.
Stereo renderMono(fxhost::Plugin& plugin, const std::vector<float>& input, int block = 512,
                  Path path = Path::Accumulating, Stereo held = {});

enum class Signal { Silence, Saw, Square, Noise, Impulse };
const char* signalName(Signal s);
// `frames` samples of the signal at the given rate, peak 1.0 (the impulse is one 1.0).
std::vector<float> makeSignal(Signal s, int frames, float sampleRate, unsigned seed = 1);

} // namespace fxtest
