#include "offline_render.h"

#include <chrono>

PluginSession::PluginSession(fxhost::Plugin& plugin, const HostSettings& settings)
    : plugin(plugin), replacing(settings.replacing) {
    plugin.open();
    plugin.setSampleRate(settings.sampleRate);
    plugin.setBlockSize(settings.blockSize);
    // Selecting the program after the rate, as hosts do when they restore a session,
    // lets effects that work out their timing from the rate do so at this one.
    plugin.setProgram(settings.program.value_or(plugin.program()));
    for (const auto& p : settings.parameters)
        plugin.setParameter(p.index, p.value);
    plugin.resume();
}

PluginSession::~PluginSession() {
    finish();
}

void PluginSession::processBlock(fxhost::AudioBuffers& inputs, fxhost::AudioBuffers& outputs,
                                 int frames) {
    if (!replacing) outputs.clear();
    const auto start = std::chrono::steady_clock::now();
    if (replacing)
        plugin.processReplacing(inputs, outputs, frames);
    else
        plugin.process(inputs, outputs, frames);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    processingSeconds += spent.count();
}

void PluginSession::finish() {
    if (finished) return;
    finished = true;
    plugin.suspend();
    plugin.close();
}
