#include "report.h"

#include "plugin_host.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace fxcheck {

namespace {

// The rate of the texts; each run has its own (see kSettings).
constexpr float kSampleRate = 44100.0f;
constexpr int kBlockSize = 512;
constexpr int kRunFrames = 32768;
// Irregular block lengths, 0 and 1 included, cycled through a run.
constexpr int kBlockLengths[] = {512, 1, 0, 37, 256, 500, 64, 7, 333};
constexpr int kSamplesPerLine = 8;
// What the outputs hold before a replacing run: it must not survive.
constexpr float kStaleOutput = 1234.5f;

std::uint32_t bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// The fixed input of every run, made with integer arithmetic only so that every build
// feeds the same bits: a noise burst, then silence with a click every 5000 frames, so
// that tails and echoes decay through the subnormal range.
std::vector<float> inputSignal(int channel) {
    std::vector<float> signal(kRunFrames, 0.0f);
    std::uint32_t state = 0x2545F491u + static_cast<std::uint32_t>(channel) * 0x9E3779B9u;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1664525u + 1013904223u;
        signal[i] = static_cast<float>(static_cast<std::int32_t>(state >> 8) - 0x800000) /
                    static_cast<float>(0x1000000);
    }
    for (int i = 4096; i < kRunFrames; i += 5000) signal[i] = channel % 2 ? -0.75f : 0.75f;
    return signal;
}

void writeText(std::FILE* out, const std::optional<std::string>& text) {
    if (!text) {
        std::fputs("(untouched)", out);
        return;
    }
    std::fputc('"', out);
    for (unsigned char c : *text) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            std::fputc(c, out);
        else
            std::fprintf(out, "\\x%02X", c);
    }
    std::fputc('"', out);
}

void writeRecord(fxhost::Plugin& plugin, std::FILE* out) {
    const AEffect& r = plugin.record();
    std::fprintf(out,
                 "record magic=%08X programs=%d params=%d inputs=%d outputs=%d flags=%08X "
                 "initialDelay=%d realtimeQualities=%d offlineQualities=%d ioRatio=%08X "
                 "uniqueID=%08X version=%d\n",
                 static_cast<unsigned>(r.magic), r.numPrograms, r.numParams, r.numInputs,
                 r.numOutputs, static_cast<unsigned>(r.flags), r.initialDelay,
                 r.realtimeQualities, r.offlineQualities, bits(r.ioRatio),
                 static_cast<unsigned>(r.uniqueID), r.version);
}

// What a host asks besides the record: the identify answer and the editor's size.
void writeAnswers(fxhost::Plugin& plugin, std::FILE* out) {
    std::fprintf(out, "identify %08X\n", static_cast<unsigned>(plugin.dispatch(opIdentify)));
    ERect* rect = nullptr;
    const FxIntPtr answer = plugin.dispatch(opEditGetRect, 0, 0, &rect);
    std::fprintf(out, "editor rect answer=%d", static_cast<int>(answer));
    if (rect)
        std::fprintf(out, " top=%d left=%d bottom=%d right=%d", rect->top, rect->left,
                     rect->bottom, rect->right);
    std::fputc('\n', out);
}

void writeParameters(fxhost::Plugin& plugin, std::FILE* out) {
    for (int i = 0; i < plugin.numParams(); ++i) {
        std::fprintf(out, "param %d value=%08X automatable=%d name=", i,
                     bits(plugin.parameter(i)),
                     static_cast<int>(plugin.dispatch(opCanBeAutomated, i)));
        writeText(out, plugin.queryText(opGetParamName, i));
        std::fputs(" label=", out);
        writeText(out, plugin.queryText(opGetParamLabel, i));
        std::fputs(" display=", out);
        writeText(out, plugin.queryText(opGetParamDisplay, i));
        std::fputc('\n', out);
    }
}

std::unique_ptr<fxhost::Plugin> openPlugin(const std::string& path,
                                           float sampleRate = kSampleRate) {
    auto plugin = fxhost::Plugin::load(path);
    plugin->open();
    plugin->setSampleRate(sampleRate);
    plugin->setBlockSize(kBlockSize);
    return plugin;
}

// How a run sets the effect up before it resumes.
struct Setting {
    const char* name;
    float sampleRate;
    int program;       // selected first
    float everyParam;  // then written to every parameter, unless negative
    bool spreadParams; // or every parameter a different value
};

// Low rates among them, so that echoes of several seconds fall inside a run.
constexpr Setting kSettings[] = {
    {"program-0", 11025.0f, 0, -1.0f, false}, {"last-program", 44100.0f, -1, -1.0f, false},
    {"all-0", 22050.0f, 0, 0.0f, false},      {"all-1", 2000.0f, 0, 1.0f, false},
    {"spread", 4000.0f, 0, -1.0f, true},
};

void runSetting(const std::string& path, const Setting& setting, bool replacing,
                std::FILE* out) {
    auto plugin = openPlugin(path, setting.sampleRate);
    plugin->setProgram(setting.program < 0 ? std::max(plugin->numPrograms() - 1, 0)
                                           : setting.program);
    for (int i = 0; i < plugin->numParams(); ++i) {
        if (setting.everyParam >= 0.0f) plugin->setParameter(i, setting.everyParam);
        if (setting.spreadParams)
            plugin->setParameter(i, static_cast<float>((i * 37 + 11) % 100) / 99.0f);
    }
    plugin->resume();
    std::fprintf(out, "run %s %s rate=%g\n", setting.name,
                 replacing ? "replacing" : "accumulating", double(setting.sampleRate));
    writeParameters(*plugin, out);

    std::vector<std::vector<float>> inputs;
    for (int c = 0; c < plugin->numInputs(); ++c) inputs.push_back(inputSignal(c));
    std::vector<std::vector<float>> outputs(
        static_cast<std::size_t>(plugin->numOutputs()),
        std::vector<float>(kRunFrames, replacing ? kStaleOutput : 0.0f));
    std::vector<float*> in(inputs.size()), outPointers(outputs.size());
    std::size_t lengthIndex = 0;
    for (int done = 0; done < kRunFrames;) {
        const int frames =
            std::min(kBlockLengths[lengthIndex++ % std::size(kBlockLengths)], kRunFrames - done);
        for (std::size_t c = 0; c < in.size(); ++c) in[c] = inputs[c].data() + done;
        for (std::size_t c = 0; c < outPointers.size(); ++c)
            outPointers[c] = outputs[c].data() + done;
        if (replacing)
            plugin->processReplacing(in.data(), outPointers.data(), frames);
        else
            plugin->process(in.data(), outPointers.data(), frames);
        done += frames;
    }
    std::fprintf(out, "vu %d\n", plugin->vu());
    for (std::size_t c = 0; c < outputs.size(); ++c) {
        std::fprintf(out, "output %zu\n", c);
        for (int i = 0; i < kRunFrames; i += kSamplesPerLine) {
            std::fputs("samples", out);
            for (int k = i; k < i + kSamplesPerLine; ++k)
                std::fprintf(out, " %08X", bits(outputs[c][k]));
            std::fputc('\n', out);
        }
    }
}

} // namespace

std::string moduleName(const std::string& path) {
    const std::size_t start = path.find_last_of("/\\") + 1;
    const std::size_t dot = path.rfind('.');
    return path.substr(start, dot == std::string::npos || dot < start ? std::string::npos
                                                                       : dot - start);
}

void writeReport(const std::string& path, std::FILE* out) {
    std::fprintf(out, "fxcheck report 1 plugin %s\n", moduleName(path).c_str());
    auto plugin = openPlugin(path);
    writeRecord(*plugin, out);
    writeAnswers(*plugin, out);
    for (int p = 0; p < plugin->numPrograms(); ++p) {
        plugin->setProgram(p);
        std::fprintf(out, "program %d current=%d name=", p, plugin->program());
        writeText(out, plugin->queryText(opGetProgramName));
        std::fputc('\n', out);
        writeParameters(*plugin, out);
    }
    plugin.reset();

    const bool canReplace = (openPlugin(path)->flags() & flagCanReplacing) != 0;
    for (const Setting& setting : kSettings) {
        runSetting(path, setting, false, out);
        if (canReplace) runSetting(path, setting, true, out);
    }
}

} // namespace fxcheck
