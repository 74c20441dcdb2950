// fxhost process PLUGIN IN OUT: runs an audio file through a plug-in, block by block, as
// a host would during playback, and records the plug-in's outputs.
#include "audio_files.h"
#include "channel_mapping.h"
#include "commands.h"
#include "module_name.h"
#include "offline_render.h"
#include "process_options.h"
#include "progress_bar.h"
#include "usage_error.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace {

struct RenderStats {
    std::int64_t frames = 0;
    double secondsInPlugin = 0.0;
};

// Streams the input through the plug-in into the output. After the input's last frame
// the plug-in keeps running on `tailFrames` frames of silence.
class FileRenderer {
public:
    FileRenderer(SoundFileReader& input, fxhost::Plugin& plugin, int blockSize)
        : input(input), mapping(input.channels(), plugin.numInputs()), blockSize(blockSize),
          fileFrames(static_cast<std::size_t>(blockSize * input.channels())),
          outputFrames(static_cast<std::size_t>(blockSize * plugin.numOutputs())),
          inputs(plugin.numInputs(), blockSize), outputs(plugin.numOutputs(), blockSize) {}

    RenderStats render(PluginSession& session, std::int64_t tailFrames, AudioFileOutput& output) {
        ProgressBar progress(input.frames() + tailFrames);
        std::int64_t done = 0;
        while (const int frames = nextBlock(tailFrames)) {
            mapping.fill(fileFrames.data(), frames, inputs);
            session.processBlock(inputs, outputs, frames);
            interleaveOutputs(frames);
            output.write(outputFrames.data(), frames);
            done += frames;
            progress.update(done);
        }
        progress.finish();
        session.finish();
        return {done, session.secondsInPlugin()};
    }

private:
    // Reads the next block of the file, topped up with silence from the tail once the
    // file has ended. Returns its length in frames, 0 when everything has been sent.
    int nextBlock(std::int64_t& tailLeft) {
        const std::int64_t read = inputLeft ? input.read(fileFrames.data(), blockSize) : 0;
        if (read < blockSize) inputLeft = false;
        const std::int64_t silence = std::min<std::int64_t>(blockSize - read, tailLeft);
        tailLeft -= silence;
        const auto channels = input.channels();
        std::fill(fileFrames.begin() + read * channels,
                  fileFrames.begin() + (read + silence) * channels, 0.0f);
        return static_cast<int>(read + silence);
    }

    void interleaveOutputs(int frames) {
        const int channels = outputs.channels();
        for (int c = 0; c < channels; ++c) {
            const float* samples = outputs.channel(c);
            for (int i = 0; i < frames; ++i)
                outputFrames[static_cast<std::size_t>(i * channels + c)] = samples[i];
        }
    }

    SoundFileReader& input;
    ChannelMapping mapping;
    int blockSize;
    bool inputLeft = true;
    std::vector<float> fileFrames;
    std::vector<float> outputFrames;
    fxhost::AudioBuffers inputs;
    fxhost::AudioBuffers outputs;
};

std::int64_t tailFramesAt(double seconds, int sampleRate) {
    const double frames = std::round(seconds * sampleRate);
    // Beyond this the output could not be written anyway, and the count would overflow.
    if (frames > 1e15) throw UsageError("--tail is too long");
    return static_cast<std::int64_t>(frames);
}

HostSettings hostSettings(const ProcessOptions& options, const SoundFileReader& input) {
    HostSettings settings;
    settings.sampleRate = static_cast<float>(options.sampleRate.value_or(input.sampleRate()));
    settings.blockSize = options.blockSize;
    settings.program = options.program;
    settings.parameters = options.parameters;
    settings.replacing = options.replacing;
    return settings;
}

void printStats(const std::string& pluginPath, const RenderStats& stats, int sampleRate) {
    const double audioSeconds = static_cast<double>(stats.frames) / sampleRate;
    char speed[48] = "-";
    if (stats.secondsInPlugin > 0.0) {
        const double factor = audioSeconds / stats.secondsInPlugin;
        std::snprintf(speed, sizeof speed, factor >= 100.0 ? "%.0fx" : "%.1fx", factor);
    }
    std::printf("%s: %lld frames, %.2f s of audio, processed in %.4f s, %s real time\n",
                moduleName(pluginPath).c_str(), static_cast<long long>(stats.frames), audioSeconds,
                stats.secondsInPlugin, speed);
}

} // namespace

int runProcess(const Arguments& arguments) {
    const ProcessOptions options = parseProcessOptions(arguments);
    if (options.helpRequested) {
        std::cout << kUsage;
        return 0;
    }
    outputFormatFor(options.outputPath); // an unknown extension is a usage error: say so first
    SoundFileReader input(options.inputPath);
    const auto plugin = fxhost::Plugin::load(options.pluginPath);
    checkAgainstPlugin(options, *plugin);
    const std::int64_t tailFrames = tailFramesAt(options.tailSeconds, input.sampleRate());

    AudioFileOutput output(options.outputPath, plugin->numOutputs(), input.sampleRate());
    FileRenderer renderer(input, *plugin, options.blockSize);
    PluginSession session(*plugin, hostSettings(options, input));
    const RenderStats stats = renderer.render(session, tailFrames, output);
    output.commit();
    printStats(options.pluginPath, stats, input.sampleRate());
    return 0;
}
