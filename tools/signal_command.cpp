// fxhost signal OUT: writes the built-in test signal to try effects with.
#include "argument_reader.h"
#include "audio_files.h"
#include "commands.h"
#include "number_parsing.h"
#include "test_signal.h"
#include "usage_error.h"

#include <cmath>
#include <iostream>

namespace {

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 768000;
constexpr double kLongestSeconds = 3600.0;

struct SignalOptions {
    std::string outputPath;
    double seconds = 6.0;
    int sampleRate = 44100;
    bool helpRequested = false;
};

double parseSeconds(const std::string& text) {
    const auto seconds = parseNumber(text);
    if (!seconds || !std::isfinite(*seconds) || *seconds <= 0.0 || *seconds > kLongestSeconds)
        throw UsageError("--seconds wants a length above 0 and up to 3600, not '" + text + "'");
    return *seconds;
}

int parseSignalRate(const std::string& text) {
    const auto rate = parseInteger(text);
    if (!rate || *rate < kLowestRate || *rate > kHighestRate)
        throw UsageError("--rate wants a whole number of hertz from 8000 to 768000, not '" + text +
                         "'");
    return static_cast<int>(*rate);
}

SignalOptions parseSignalOptions(const Arguments& arguments) {
    SignalOptions options;
    std::vector<std::string> positional;
    ArgumentReader reader(arguments);
    while (const auto argument = reader.next()) {
        const std::string& name = argument->optionName;
        if (!argument->isOption)
            positional.push_back(argument->text);
        else if (name == "--help" || name == "-h")
            options.helpRequested = true;
        else if (name == "--seconds")
            options.seconds = parseSeconds(reader.valueOf(*argument));
        else if (name == "--rate")
            options.sampleRate = parseSignalRate(reader.valueOf(*argument));
        else
            throw UsageError("signal: unknown option '" + name + "'");
    }
    if (options.helpRequested) return options;
    if (positional.empty()) throw UsageError("signal needs OUT (fxhost --help shows the usage)");
    if (positional.size() > 1)
        throw UsageError("signal: unexpected argument '" + positional[1] + "'");
    options.outputPath = positional[0];
    return options;
}

} // namespace

int runSignal(const Arguments& arguments) {
    const SignalOptions options = parseSignalOptions(arguments);
    if (options.helpRequested) {
        std::cout << kUsage;
        return 0;
    }
    const std::vector<float> samples = makeTestSignal(options.sampleRate, options.seconds);
    AudioFileOutput output(options.outputPath, 1, options.sampleRate);
    output.write(samples.data(), static_cast<std::int64_t>(samples.size()));
    output.commit();
    return 0;
}
