#include "process_options.h"

#include "argument_reader.h"
#include "number_parsing.h"
#include "usage_error.h"

#include <cmath>
#include <stdexcept>

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

ParameterSetting parseParameter(const std::string& text) {
    const auto equals = text.find('=');
    const std::string malformed =
        "--param wants INDEX=VALUE, e.g. --param 3=0.5, not " + quoted(text);
    if (equals == std::string::npos) throw UsageError(malformed);
    const auto index = parseInteger(std::string_view(text).substr(0, equals));
    const auto value = parseNumber(std::string_view(text).substr(equals + 1));
    if (!index || !value) throw UsageError(malformed);
    if (*index < 0 || *index > 1'000'000'000)
        throw UsageError("--param " + text + ": no parameter has index " + std::to_string(*index));
    if (!std::isfinite(*value) || *value < 0.0 || *value > 1.0)
        throw UsageError("--param " + text + ": a parameter value lies between 0 and 1");
    return {static_cast<int>(*index), static_cast<float>(*value)};
}

double parseRate(const std::string& text) {
    const auto rate = parseNumber(text);
    if (!rate || !std::isfinite(*rate) || *rate <= 0.0 || *rate > 1e9)
        throw UsageError("--rate wants a sample rate in hertz above 0, not " + quoted(text));
    return *rate;
}

int parseBlockSize(const std::string& text) {
    const auto size = parseInteger(text);
    if (!size || *size < 1 || *size > kMaxBlockSize)
        throw UsageError("--block wants a whole number of frames from 1 to " +
                         std::to_string(kMaxBlockSize) + ", not " + quoted(text));
    return static_cast<int>(*size);
}

int parseProgram(const std::string& text) {
    const auto program = parseInteger(text);
    if (!program || *program < 0 || *program > 1'000'000'000)
        throw UsageError("--program wants a program number from 0, not " + quoted(text));
    return static_cast<int>(*program);
}

double parseTail(const std::string& text) {
    const auto seconds = parseNumber(text);
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0.0)
        throw UsageError("--tail wants a number of seconds, 0 or more, not " + quoted(text));
    return *seconds;
}

void takeOption(ArgumentReader& reader, const Argument& option, ProcessOptions& options) {
    const std::string& name = option.optionName;
    if (name == "--help" || name == "-h") {
        options.helpRequested = true;
    } else if (name == "--replacing") {
        ArgumentReader::expectNoValue(option);
        options.replacing = true;
    } else if (name == "--param") {
        options.parameters.push_back(parseParameter(reader.valueOf(option)));
    } else if (name == "--program") {
        options.program = parseProgram(reader.valueOf(option));
    } else if (name == "--rate") {
        options.sampleRate = parseRate(reader.valueOf(option));
    } else if (name == "--block") {
        options.blockSize = parseBlockSize(reader.valueOf(option));
    } else if (name == "--tail") {
        options.tailSeconds = parseTail(reader.valueOf(option));
    } else {
        throw UsageError("process: unknown option " + quoted(name));
    }
}

} // namespace

ProcessOptions parseProcessOptions(const std::vector<std::string>& arguments) {
    ProcessOptions options;
    std::vector<std::string> positional;
    ArgumentReader reader(arguments);
    while (const auto argument = reader.next()) {
        if (argument->isOption)
            takeOption(reader, *argument, options);
        else
            positional.push_back(argument->text);
    }
    if (options.helpRequested) return options;
    if (positional.size() < 3)
        throw UsageError("process needs PLUGIN IN OUT (fxhost --help shows the usage)");
    if (positional.size() > 3)
        throw UsageError("process: unexpected argument " + quoted(positional[3]));
    options.pluginPath = positional[0];
    options.inputPath = positional[1];
    options.outputPath = positional[2];
    return options;
}

void checkAgainstPlugin(const ProcessOptions& options, const fxhost::Plugin& plugin) {
    const int programs = plugin.numPrograms();
    if (options.program && *options.program >= programs)
        throw UsageError("--program " + std::to_string(*options.program) + ": the plug-in has " +
                         (programs > 0 ? "programs 0 to " + std::to_string(programs - 1)
                                       : std::string("no programs")));
    const int parameters = plugin.numParams();
    for (const auto& p : options.parameters)
        if (p.index >= parameters)
            throw UsageError("--param " + std::to_string(p.index) + ": the plug-in has " +
                             (parameters > 0 ? "parameters 0 to " + std::to_string(parameters - 1)
                                             : std::string("no parameters")));
    if (options.replacing && !plugin.canReplace())
        throw UsageError("--replacing: the plug-in does not offer processReplacing (its flags "
                         "lack canReplacing)");
    if (plugin.numOutputs() < 1) throw std::runtime_error("the plug-in has no outputs to record");
}
