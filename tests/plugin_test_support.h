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

enum class Signal { Silence, Saw, Square, Noise, Impulse };
const char* signalName(Signal s);
// `frames` samples of the signal at the given rate, peak 1.0 (the impulse is one 1.0).
std::vector<float> makeSignal(Signal s, int frames, float sampleRate, unsigned seed = 1);

} // namespace fxtest
