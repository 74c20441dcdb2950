// Processing cost of every plug-in module in the plug-in folder, driven as a host drives
// it: 44100 Hz, blocks of 512 frames, the default program, white noise at -12 dBFS. Each
// plug-in is measured beside a loop that only adds its inputs into its outputs over the
// same buffers, the floor any processing stands on.
//
// Plug-ins with a parameter named "Feedback" (or several, "Feedback 1", "Feedback 2"...)
// also get a tail pair: blocks of a loud signal with every such feedback at 0.9, and
// blocks of silence long after such a burst, when the echoes have decayed below the
// smallest normal float. Processors that slow down on subnormal numbers show it as a
// tail far dearer than the loud part.
//
// Usage: fx_bench [benchmark flags] [plug-in folder]
#include "plugin_host.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

constexpr float kSampleRate = 44100.0f;
constexpr int kBlock = 512;
// One second of input (86 blocks), walked a block at a time so that consecutive blocks
// differ as they do in use.
constexpr int kSignalFrames = 86 * kBlock;
constexpr float kModerateLevel = 0.25f; // -12 dBFS peak
constexpr float kLoudLevel = 1.0f;      // full scale

constexpr float kTailFeedback = 0.9f;
constexpr int kBurstBlocks = 2 * kSignalFrames / kBlock; // two seconds
// Silence until the outputs have stayed below the smallest normal float this long, so
// that every slot of a delay line up to that length has decayed as far; given up after
// the longest silence, when the echo never dies away.
constexpr int kQuietBlocks = 10 * kSignalFrames / kBlock;
constexpr long kLongestSilenceBlocks = 1200L * kSignalFrames / kBlock;

// Uniform white noise in -level..level, the same on every run.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}
    float next(float level) {
        state = state * 1664525u + 1013904223u;
        return level * (static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f);
    }

private:
    std::uint32_t state;
};

// The host's input channels: a second of noise per channel, handed out block by block.
class Signal {
public:
    Signal(int channels, float level)
        : samples(static_cast<std::size_t>(channels), std::vector<float>(kSignalFrames)),
          pointers(static_cast<std::size_t>(channels)) {
        Noise noise(0x5EED1234u);
        for (auto& channel : samples)
            for (float& s : channel)
                s = noise.next(level);
    }

    int channels() const { return static_cast<int>(samples.size()); }
    bool atStart() const { return position == 0; }

    float** next() {
        for (std::size_t c = 0; c < samples.size(); ++c)
            pointers[c] = samples[c].data() + position;
        position = (position + kBlock) % kSignalFrames;
        return pointers.data();
    }

private:
    std::vector<std::vector<float>> samples;
    std::vector<float*> pointers;
    int position = 0;
};

// A plug-in started as a host starts one, with its buffers. Plug-ins without inputs or
// outputs still get one channel of each, so that the baseline has something to move.
struct Runner {
    std::unique_ptr<fxhost::Plugin> plugin;
    Signal input;
    fxhost::AudioBuffers output;

    Runner(const std::string& path, float level)
        : plugin(start(path)), input(std::max(1, plugin->numInputs()), level),
          output(std::max(1, plugin->numOutputs()), kBlock) {}

    static std::unique_ptr<fxhost::Plugin> start(const std::string& path) {
        auto plugin = fxhost::Plugin::load(path);
        plugin->open();
        plugin->setSampleRate(kSampleRate);
        plugin->setBlockSize(kBlock);
        plugin->setProgram(0);
        plugin->resume();
        return plugin;
    }

    // `process` adds into the outputs; they are cleared whenever the input starts over, so
    // that they stay at signal level however long the benchmark runs.
    void process() {
        if (input.atStart()) output.clear();
        plugin->process(input.next(), output.pointers(), kBlock);
    }

    void processReplacing() { plugin->processReplacing(input.next(), output.pointers(), kBlock); }

    float outputPeak() const {
        float peak = 0.0f;
        for (int c = 0; c < output.channels(); ++c)
            for (int i = 0; i < kBlock; ++i)
                peak = std::max(peak, std::fabs(output.channel(c)[i]));
        return peak;
    }
};

void reportFrames(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kBlock);
    // A rate counter is divided by the measured seconds; inverted, a per-iteration value
    // of frames * 1e-9 reads as nanoseconds per frame.
    state.counters["ns_per_frame"] = benchmark::Counter(
        kBlock * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The runner a benchmark keeps across the library's repeated calls of it, made on the
// first call.
using RunnerSlot = std::shared_ptr<std::unique_ptr<Runner>>;

// False, with the benchmark marked as failed, when the plug-in cannot start.
template <class Prepare>
bool prepared(benchmark::State& state, RunnerSlot& runner, Prepare prepare) {
    if (*runner) return true;
    try {
        *runner = prepare();
        return true;
    } catch (const fxhost::LoadError& e) {
        state.SkipWithError(e.what());
        return false;
    }
}

// Loud noise at the tail's feedback, long enough for the echoes to build up.
std::unique_ptr<Runner> loudRunner(const std::string& path, const std::vector<int>& feedbacks) {
    auto runner = std::make_unique<Runner>(path, kLoudLevel);
    for (int feedback : feedbacks)
        runner->plugin->setParameter(feedback, kTailFeedback);
    for (int b = 0; b < kBurstBlocks; ++b)
        runner->process();
    return runner;
}

// The loud burst, then silence until the echoes have decayed below the normal range.
// Returns the seconds of silence it took, or -1 when they never got there.
double settleIntoTail(Runner& runner) {
    runner.input = Signal(runner.input.channels(), 0.0f);
    long quiet = 0;
    long block = 0;
    for (; block < kLongestSilenceBlocks && quiet < kQuietBlocks; ++block) {
        runner.output.clear();
        runner.plugin->process(runner.input.next(), runner.output.pointers(), kBlock);
        quiet = runner.outputPeak() < FLT_MIN ? quiet + 1 : 0;
    }
    if (quiet < kQuietBlocks) return -1.0;
    return static_cast<double>(block * kBlock) / double(kSampleRate);
}

// The indices of the parameters named "Feedback", or "Feedback" and a number (case and
// padding aside).
std::vector<int> feedbackParameters(fxhost::Plugin& plugin) {
    std::vector<int> found;
    for (int p = 0; p < plugin.numParams(); ++p) {
        std::string name = plugin.parameterName(p);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.pop_back();
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string_view rest(name);
        if (!rest.starts_with("feedback")) continue;
        rest.remove_prefix(8);
        while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front())))
            rest.remove_prefix(1);
        if (std::all_of(rest.begin(), rest.end(), [](unsigned char c) { return std::isdigit(c); }))
            found.push_back(p);
    }
    return found;
}

// One processing path of a plug-in at the moderate level: a block per iteration.
void registerPath(const std::string& benchmarkName, const std::string& path, void (Runner::*step)()) {
    RunnerSlot slot = std::make_shared<std::unique_ptr<Runner>>();
    benchmark::RegisterBenchmark(benchmarkName.c_str(), [=](benchmark::State& state) mutable {
        if (!prepared(state, slot, [&] { return std::make_unique<Runner>(path, kModerateLevel); }))
            return;
        Runner& r = **slot;
        for (auto _ : state)
            (r.*step)();
        reportFrames(state);
    });
}

void registerPlugin(const std::filesystem::path& module) {
    const std::string path = module.string();
    const std::string name = module.stem().string();

    bool canReplace = false;
    std::vector<int> feedbacks;
    try {
        auto probe = fxhost::Plugin::load(path);
        canReplace = probe->canReplace();
        feedbacks = feedbackParameters(*probe);
    } catch (const fxhost::LoadError& e) {
        const std::string message = e.what();
        benchmark::RegisterBenchmark((name + "/load").c_str(), [message](benchmark::State& state) {
            state.SkipWithError(message.c_str());
        });
        return;
    }

    registerPath(name + "/process", path, &Runner::process);
    if (canReplace) registerPath(name + "/processReplacing", path, &Runner::processReplacing);

    // The same buffers and block walk as process, with the plug-in call replaced by a plain
    // sum of the inputs into the outputs.
    RunnerSlot baselineSlot = std::make_shared<std::unique_ptr<Runner>>();
    benchmark::RegisterBenchmark(
        (name + "/baseline").c_str(), [=](benchmark::State& state) mutable {
            if (!prepared(state, baselineSlot,
                          [&] { return std::make_unique<Runner>(path, kModerateLevel); }))
                return;
            Runner& r = **baselineSlot;
            const int inputs = r.input.channels();
            const int outputs = r.output.channels();
            for (auto _ : state) {
                if (r.input.atStart()) r.output.clear();
                float** in = r.input.next();
                float** out = r.output.pointers();
                for (int o = 0; o < outputs; ++o) {
                    const float* source = in[o % inputs];
                    float* target = out[o];
                    for (int i = 0; i < kBlock; ++i)
                        target[i] += source[i];
                }
                benchmark::ClobberMemory();
            }
            reportFrames(state);
        });

    if (feedbacks.empty()) return;

    RunnerSlot loudSlot = std::make_shared<std::unique_ptr<Runner>>();
    benchmark::RegisterBenchmark(
        (name + "/tail_loud").c_str(), [=](benchmark::State& state) mutable {
            if (!prepared(state, loudSlot, [&] { return loudRunner(path, feedbacks); })) return;
            Runner& r = **loudSlot;
            for (auto _ : state)
                r.process();
            reportFrames(state);
        });

    RunnerSlot tailSlot = std::make_shared<std::unique_ptr<Runner>>();
    auto settledSeconds = std::make_shared<double>(0.0);
    auto tailPeak = std::make_shared<float>(0.0f);
    benchmark::RegisterBenchmark(
        (name + "/tail_silent").c_str(), [=](benchmark::State& state) mutable {
            if (!prepared(state, tailSlot, [&] {
                    auto runner = loudRunner(path, feedbacks);
                    *settledSeconds = settleIntoTail(*runner);
                    *tailPeak = runner->outputPeak();
                    return runner;
                }))
                return;
            if (*settledSeconds < 0.0) {
                state.SkipWithError("the echoes never decayed below the normal float range");
                return;
            }
            Runner& r = **tailSlot;
            for (auto _ : state)
                r.process();
            reportFrames(state);
            // How long the silence before the measurement was, and how far the tail had sunk
            // (0 where the plug-in flushes subnormals).
            state.counters["silence_s"] = *settledSeconds;
            state.counters["tail_peak"] = static_cast<double>(*tailPeak);
        });
}

std::vector<std::filesystem::path> findPlugins(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file() && entry.path().extension() == ".so")
            found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

// The console table, then one line per plug-in that puts its figures side by side.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(bool colour)
        : ConsoleReporter(colour ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        // The table would print the nanoseconds with the seconds sign it gives inverted
        // rates; the value is final by now, so it is shown as a plain number.
        std::vector<Run> shown = runs;
        for (Run& run : shown) {
            const auto counter = run.counters.find("ns_per_frame");
            if (counter != run.counters.end())
                counter->second.flags = benchmark::Counter::kDefaults;
        }
        ConsoleReporter::ReportRuns(shown);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // With repetitions, the mean stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean") continue;
            const auto counter = run.counters.find("ns_per_frame");
            if (counter != run.counters.end())
                nsPerFrame[run.run_name.function_name] = counter->second.value;
        }
    }

    void printSummary(const std::vector<std::filesystem::path>& plugins) const {
        std::printf("\nns per frame (%d-frame blocks at %.0f Hz):\n", kBlock, double(kSampleRate));
        for (const auto& module : plugins) {
            const std::string name = module.stem().string();
            const double process = figure(name + "/process");
            const double baseline = figure(name + "/baseline");
            if (process <= 0.0 || baseline <= 0.0) continue;
            std::printf("  %-10s process %.2f, baseline %.2f (%.1fx)", name.c_str(), process,
                        baseline, process / baseline);
            const double replacing = figure(name + "/processReplacing");
            if (replacing > 0.0) std::printf(", processReplacing %.2f", replacing);
            const double loud = figure(name + "/tail_loud");
            const double tail = figure(name + "/tail_silent");
            if (loud > 0.0 && tail > 0.0)
                std::printf(", tail %.2f / loud %.2f = %.2f (target <= 1.5)", tail, loud,
                            tail / loud);
            std::printf("\n");
        }
    }

private:
    double figure(const std::string& benchmark) const {
        const auto found = nsPerFrame.find(benchmark);
        return found == nsPerFrame.end() ? 0.0 : found->second;
    }

    std::map<std::string, double> nsPerFrame;
};

} // namespace

int main(int argc, char** argv) {
    // The summary belongs to the console table; other formats get the library's output
    // only. The table is coloured as the library would colour it.
    bool console = true;
    bool colour = isatty(STDOUT_FILENO) != 0;
    for (int a = 1; a < argc; ++a) {
        const std::string_view argument = argv[a];
        if (argument.starts_with("--benchmark_format="))
            console = argument == "--benchmark_format=console";
        if (argument.starts_with("--benchmark_color="))
            colour = argument == "--benchmark_color=true" || argument == "--benchmark_color=yes" ||
                     (argument == "--benchmark_color=auto" && isatty(STDOUT_FILENO));
    }

    // Instances are created for every benchmark: message boxes would wait for OK each time.
    setenv("FX_MESSAGE_BOX", "off", 0);

    benchmark::Initialize(&argc, argv);
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        benchmark::ReportUnrecognizedArguments(argc, argv);
        return 1;
    }
    const std::filesystem::path folder = argc == 2 ? argv[1] : FX_BENCH_PLUGIN_DIR;
    const auto plugins = findPlugins(folder);
    if (plugins.empty()) {
        std::fprintf(stderr, "fx_bench: no plug-in modules (*.so) in %s\n", folder.c_str());
        return 1;
    }
    for (const auto& module : plugins)
        registerPlugin(module);

    if (console) {
        SummaryReporter reporter(colour);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.printSummary(plugins);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    // The benchmarks own the plug-in instances: closing them here, while the modules and
    // the host library are certainly still there, rather than during static destruction.
    benchmark::ClearRegisteredBenchmarks();
    benchmark::Shutdown();
    return 0;
}
