// Every plug-in in build/plugins goes through the same host-like paces: a scan, every
// opcode, every parameter and program, processing at the common rates and block sizes,
// several threads creating instances at once, and parameter changes racing processing.
// A new plug-in is covered the day it lands in the folder.

#include "plugin_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

namespace {

using fxhost::Plugin;
using fxtest::Signal;

// The longest texts each plug-in may write, terminator not counted.
struct TextLimits {
    std::size_t name, label, display, programName;
};

TextLimits textLimits(const std::string& plugin) {
    static const struct {
        const char* plugin;
        TextLimits limits;
    } kKnown[] = {
        {"driftecho", {10, 8, 8, 23}},
        {"gain", {9, 8, 8, 31}},
        {"pulsar", {10, 8, 8, 35}},
        {"squeezer", {0, 0, 0, 23}},
        {"twinecho", {10, 8, 8, 23}},
        {"swirl", {12, 22, 19, 23}},
        {"jetstream", {10, 9, 10, 23}},
        {"trio", {11, 11, 9, 23}},
    };
    for (const auto& known : kKnown)
        if (plugin == known.plugin) return known.limits;
    return {31, 31, 31, 35}; // until the plug-in's own row is added
}

// Parameters whose read-back is not the value as set but a value derived from it (a
// lower limit, a mode). Setting what they read back must read back the same again.
bool readBackIsDerived(const std::string& plugin, int parameter) {
    static const struct {
        const char* plugin;
        std::vector<int> parameters;
    } kDerived[] = {
        {"swirl", {1, 3, 5}},
    };
    for (const auto& known : kDerived)
        if (plugin == known.plugin)
            return std::find(known.parameters.begin(), known.parameters.end(), parameter) !=
                   known.parameters.end();
    return false;
}

constexpr std::size_t kBufferSize = 256;
constexpr char kUntouched = 0x01;

// A text operation into a buffer of ours: the plug-in either leaves the buffer as it was,
// or writes a terminated text of at most `limit` characters. Returns the text, if any.
std::string checkedText(Plugin& plugin, std::int32_t opcode, std::int32_t index, std::size_t limit) {
    char buffer[kBufferSize];
    std::memset(buffer, kUntouched, sizeof buffer);
    plugin.dispatch(opcode, index, 0, buffer);
    const char* end = static_cast<const char*>(std::memchr(buffer, 0, sizeof buffer));
    if (!end) {
        for (char c : buffer) EXPECT_EQ(c, kUntouched) << "opcode " << opcode << " index " << index << ": text without terminator";
        return {};
    }
    const std::size_t length = static_cast<std::size_t>(end - buffer);
    EXPECT_LE(length, limit) << "opcode " << opcode << " index " << index << ": \"" << buffer << "\"";
    return std::string(buffer, length);
}

class Conformance : public ::testing::TestWithParam<std::string> {
protected:
    std::unique_ptr<Plugin> load() { return fxtest::loadPlugin(GetParam()); }
    TextLimits limits() const { return textLimits(GetParam()); }
};

TEST_P(Conformance, ScanLoadsAndCloses) {
    auto plugin = load();
    EXPECT_EQ(plugin->record().magic, 0x56737450);
    EXPECT_GE(plugin->numInputs(), 1);
    EXPECT_GE(plugin->numOutputs(), 1);
    EXPECT_EQ(plugin->record().object != nullptr, true);
    if (sizeof(void*) == 8) {
        EXPECT_TRUE(plugin->canReplace()) << "64-bit hosts refuse it otherwise";
    }
    EXPECT_EQ(plugin->close(), 1);
}

TEST_P(Conformance, AnswersEveryOpcodeWithSaneArguments) {
    auto plugin = load();
    for (std::int32_t opcode = 0; opcode <= 24; ++opcode) {
        if (opcode == opClose) continue;
        char text[kBufferSize] = "Conformance";
        ERect* rect = nullptr;
        void* chunk = nullptr;
        switch (opcode) {
        case opSetProgramName: plugin->dispatch(opcode, 0, 0, text); break;
        case opSetProgram: plugin->dispatch(opcode, 0, plugin->numPrograms() - 1); break;
        case opSetSampleRate: plugin->dispatch(opcode, 0, 0, nullptr, 48000.0f); break;
        case opSetBlockSize: plugin->dispatch(opcode, 0, 256); break;
        case opSuspendResume: plugin->dispatch(opcode, 0, 1); break;
        case opEditGetRect: plugin->dispatch(opcode, 0, 0, &rect); break;
        case opEditOpen: break; // needs a window of the host's; the editor tests open it
        case opGetChunk: plugin->dispatch(opcode, 0, 0, &chunk); break;
        case opSetChunk: plugin->dispatch(opcode, 0, 0, text); break;
        default: plugin->dispatch(opcode, 0, 0, text); break;
        }
    }
    EXPECT_EQ(plugin->close(), 1);
}

TEST_P(Conformance, EveryParameterIsSetReadBackAndShown) {
    auto plugin = load();
    const TextLimits l = limits();
    const int numParams = plugin->numParams();
    for (int i = 0; i < numParams; ++i) checkedText(*plugin, opGetParamName, i, l.name);
    for (float value : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 0.3f}) {
        // Every parameter at the same value, last to first and then first to last: a
        // plug-in that keeps two of them in order (a lower limit never above an upper one)
        // holds the first one back until the other has followed, and one whose switch
        // ignores the parameters it guards while it is off takes them while it is on.
        for (int i = numParams - 1; i >= 0; --i) plugin->setParameter(i, value);
        for (int i = 0; i < numParams; ++i) plugin->setParameter(i, value);
        for (int i = 0; i < numParams; ++i) {
            if (readBackIsDerived(GetParam(), i)) {
                const float readBack = plugin->parameter(i);
                plugin->setParameter(i, readBack);
                EXPECT_EQ(plugin->parameter(i), readBack) << "parameter " << i << " set to " << value;
            } else {
                EXPECT_EQ(plugin->parameter(i), value) << "parameter " << i;
            }
            checkedText(*plugin, opGetParamLabel, i, l.label);
            checkedText(*plugin, opGetParamDisplay, i, l.display);
        }
    }
}

TEST_P(Conformance, EveryProgramIsSelectedAndRenamed) {
    auto plugin = load();
    const TextLimits l = limits();
    const std::string longName(200, 'x');
    for (int p = 0; p < plugin->numPrograms(); ++p) {
        plugin->setProgram(p);
        EXPECT_EQ(plugin->program(), p);
        checkedText(*plugin, opGetProgramName, 0, l.programName);
        const std::string name = "Program " + std::to_string(p);
        plugin->setProgramName(name);
        EXPECT_EQ(checkedText(*plugin, opGetProgramName, 0, l.programName), name);
        plugin->setProgramName(longName);
        const std::string cut = checkedText(*plugin, opGetProgramName, 0, l.programName);
        EXPECT_EQ(longName.compare(0, cut.size(), cut), 0) << "a long name is cut, not garbled";
    }
    plugin->setProgram(plugin->numPrograms()); // ignored
    EXPECT_EQ(plugin->program(), plugin->numPrograms() - 1);
}

// One processing run: `frames` samples of a signal, in blocks, through one path.
struct RenderSpec {
    float rate;
    int block;
    Signal signal;
    bool replacing;
    bool inPlace;
};

std::vector<std::vector<float>> render(Plugin& plugin, const RenderSpec& run, int frames) {
    plugin.setSampleRate(run.rate);
    plugin.setBlockSize(run.block);
    plugin.resume();
    const int numIn = plugin.numInputs();
    const int numOut = plugin.numOutputs();
    const auto source = fxtest::makeSignal(run.signal, frames, run.rate);
    std::vector<std::vector<float>> ins(numIn, source);
    std::vector<std::vector<float>> outs(numOut, std::vector<float>(frames, 0.0f));
    if (run.inPlace)
        for (int c = 0; c < std::min(numIn, numOut); ++c) outs[c] = source;
    for (int done = 0; done < frames; done += run.block) {
        const int n = std::min(run.block, frames - done);
        std::vector<float*> inPointers, outPointers;
        for (int c = 0; c < numOut; ++c) outPointers.push_back(outs[c].data() + done);
        for (int c = 0; c < numIn; ++c)
            inPointers.push_back(run.inPlace && c < numOut ? outPointers[c] : ins[c].data() + done);
        if (run.replacing)
            plugin.processReplacing(inPointers.data(), outPointers.data(), n);
        else
            plugin.process(inPointers.data(), outPointers.data(), n);
    }
    plugin.suspend();
    return outs;
}

TEST_P(Conformance, ProcessingStaysFiniteAndBoundedAtEveryRateAndBlockSize) {
    constexpr int kFrames = 4096;
    constexpr float kBound = 8.0f; // inputs peak at 1.0; no default program gains that much
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 192000.0f}) {
        auto plugin = load();
        for (int block : {1, 64, 512, 4096})
            for (Signal signal : {Signal::Silence, Signal::Saw, Signal::Square, Signal::Noise})
                for (bool replacing : {false, true})
                    for (bool inPlace : {false, true}) {
                        if (replacing && !plugin->canReplace()) continue;
                        const RenderSpec run{rate, block, signal, replacing, inPlace};
                        const auto outs = render(*plugin, run, kFrames);
                        // Accumulating in place adds the effect to the input it holds.
                        const float bound = inPlace && !replacing ? kBound + 1.0f : kBound;
                        for (const auto& channel : outs)
                            for (float sample : channel)
                                ASSERT_TRUE(std::isfinite(sample) && std::fabs(sample) <= bound)
                                    << sample << " at " << rate << " Hz, block " << block << ", "
                                    << fxtest::signalName(signal) << (replacing ? ", replacing" : "")
                                    << (inPlace ? ", in place" : "");
                    }
    }
}

TEST_P(Conformance, ReplacingInPlaceEqualsReplacingIntoSeparateBuffers) {
    auto separate = load();
    if (!separate->canReplace()) GTEST_SKIP() << "no replacing path";
    auto inPlace = load();
    for (int block : {1, 100, 4096}) {
        const auto a = render(*separate, {44100.0f, block, Signal::Noise, true, false}, 8192);
        const auto b = render(*inPlace, {44100.0f, block, Signal::Noise, true, true}, 8192);
        ASSERT_EQ(a, b) << "block " << block;
    }
}

TEST_P(Conformance, ProcessAddsIntoOutputsThatHoldAudio) {
    constexpr int kFrames = 4096;
    auto clean = load();
    auto loaded = load();
    const auto input = fxtest::makeSignal(Signal::Noise, kFrames, 44100.0f, 7);
    const auto held = fxtest::makeSignal(Signal::Saw, kFrames, 44100.0f);
    const int numIn = clean->numInputs(), numOut = clean->numOutputs();
    std::vector<std::vector<float>> ins(numIn, input);
    std::vector<std::vector<float>> cleared(numOut, std::vector<float>(kFrames, 0.0f));
    std::vector<std::vector<float>> holding(numOut, held);
    std::vector<float*> inPointers, clearedPointers, holdingPointers;
    for (auto& c : ins) inPointers.push_back(c.data());
    for (auto& c : cleared) clearedPointers.push_back(c.data());
    for (auto& c : holding) holdingPointers.push_back(c.data());
    for (auto* p : {clean.get(), loaded.get()}) p->resume();
    clean->process(inPointers.data(), clearedPointers.data(), kFrames);
    loaded->process(inPointers.data(), holdingPointers.data(), kFrames);
    for (int c = 0; c < numOut; ++c)
        for (int i = 0; i < kFrames; ++i)
            ASSERT_NEAR(holding[c][i] - held[i], cleared[c][i], 1e-5f) << "channel " << c << " sample " << i;
}

// Hosts scan and create instances from several threads at once; module-wide state
// must be built safely (this test also runs in the ThreadSanitizer build).
TEST_P(Conformance, InstancesLiveOnFourThreadsAtOnce) {
    std::atomic<int> failures{0};
    auto drive = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int round = 0; round < 6; ++round) {
            try {
                auto plugin = load();
                plugin->open();
                plugin->setSampleRate(48000.0f);
                plugin->resume();
                for (int i = 0; i < plugin->numParams(); ++i) {
                    plugin->setParameter(i, std::uniform_real_distribution<float>(0, 1)(random));
                    plugin->parameterDisplay(i);
                }
                render(*plugin, {48000.0f, 256, Signal::Noise, false, false}, 2048);
                plugin->close();
            } catch (const std::exception&) {
                ++failures;
            }
        }
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; ++t) threads.emplace_back(drive, t + 1);
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Plugins, Conformance, ::testing::ValuesIn(fxtest::pluginNames()),
                         [](const auto& info) { return info.param; });

// Real hosts change parameters and read texts on their main thread while their audio
// thread processes the same instance. The plain-field races that the effects accept are
// allowed; crashes, use of freed memory and indices outside buffers are not. Not run in
// the ThreadSanitizer build, which would report exactly those accepted races.
class ConcurrentStress : public Conformance {};

void changeParametersDuringProcessing(Plugin* plugin) {
    plugin->resume();
    std::atomic<bool> stop{false};
    std::atomic<long> framesDone{0};
    std::thread audio([&] {
        std::mt19937 random(3);
        const int numIn = plugin->numInputs(), numOut = plugin->numOutputs();
        std::vector<std::vector<float>> ins(numIn, fxtest::makeSignal(Signal::Noise, 512, 44100.0f));
        std::vector<std::vector<float>> outs(numOut, std::vector<float>(512));
        std::vector<float*> inPointers, outPointers;
        for (auto& c : ins) inPointers.push_back(c.data());
        for (auto& c : outs) outPointers.push_back(c.data());
        while (!stop.load(std::memory_order_relaxed)) {
            const int n = std::uniform_int_distribution<int>(1, 512)(random);
            for (auto& c : outs) std::fill(c.begin(), c.end(), 0.0f);
            plugin->process(inPointers.data(), outPointers.data(), n);
            framesDone += n;
        }
    });
    std::mt19937 random(4);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    char text[kBufferSize];
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < plugin->numParams(); ++i) {
            plugin->setParameter(i, unit(random));
            plugin->dispatch(opGetParamDisplay, i, 0, text);
            plugin->dispatch(opGetParamLabel, i, 0, text);
        }
        plugin->dispatch(opGetVu);
    }
    stop = true;
    audio.join();
    EXPECT_GT(framesDone.load(), 0);
}

TEST_P(ConcurrentStress, ParameterChangesDuringProcessing) {
    auto plugin = load();
    changeParametersDuringProcessing(plugin.get());
}

// At a high rate the longest delays need the largest buffers: a parameter change must
// still never replace a buffer that the audio thread is reading.
TEST_P(ConcurrentStress, ParameterChangesDuringProcessingAtAHighRate) {
    auto plugin = load();
    plugin->setSampleRate(192000.0f);
    changeParametersDuringProcessing(plugin.get());
}

INSTANTIATE_TEST_SUITE_P(Plugins, ConcurrentStress, ::testing::ValuesIn(fxtest::pluginNames()),
                         [](const auto& info) { return info.param; });

} // namespace
