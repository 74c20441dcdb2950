#include "plugin_test_support.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include <stdlib.h>

namespace fxtest {

namespace {
// The tests create instances by the hundred: message boxes (trio's notices) would wait
// for someone to press OK each time. Set before any test runs; a value in the
// environment is kept.
[[maybe_unused]] const bool kMessageBoxesOff = setenv("FX_MESSAGE_BOX", "off", 0) == 0;
} // namespace

std::vector<std::string> pluginNames() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FX_PLUGIN_DIR))
        if (entry.path().extension() == ".so") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string pluginPath(const std::string& name) {
    return std::string(FX_PLUGIN_DIR) + "/" + name + ".so";
}

std::unique_ptr<fxhost::Plugin> loadPlugin(const std::string& name) {
    return fxhost::Plugin::load(pluginPath(name));
}

Stereo renderMono(fxhost::Plugin& plugin, const std::vector<float>& input, int block, Path path,
                  Stereo held) {
    const int frames = static_cast<int>(input.size());
    if (held.empty()) held.assign(2, std::vector<float>(input.size(), 0.0f));
    for (int done = 0; done < frames; done += block) {
        const int n = std::min(block, frames - done);
        float* ins[] = {const_cast<float*>(input.data()) + done};
        float* outs[] = {held[0].data() + done, held[1].data() + done};
        if (path == Path::Replacing)
            plugin.processReplacing(ins, outs, n);
        else
            plugin.process(ins, outs, n);
    }
    return held;
}

const char* signalName(Signal s) {
    switch (s) {
    case Signal::Silence: return "silence";
    case Signal::Saw: return "saw";
    case Signal::Square: return "square";
    case Signal::Noise: return "noise";
    case Signal::Impulse: return "impulse";
    }
    return "?";
}

std::vector<float> makeSignal(Signal s, int frames, float sampleRate, unsigned seed) {
    std::vector<float> samples(static_cast<std::size_t>(frames), 0.0f);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    const double period = sampleRate / 220.0;
    for (int i = 0; i < frames; ++i) {
        const double phase = std::fmod(i / period, 1.0);
        switch (s) {
        case Signal::Silence: break;
        case Signal::Saw: samples[i] = static_cast<float>(2.0 * phase - 1.0); break;
        case Signal::Square: samples[i] = phase < 0.5 ? 1.0f : -1.0f; break;
        case Signal::Noise: samples[i] = uniform(random); break;
        case Signal::Impulse: samples[i] = i == 0 ? 1.0f : 0.0f; break;
        }
    }
    return samples;
}

} // namespace fxtest
