// fxhost: loads an effect plug-in and shows it, runs audio files through it, or writes a
// test signal to try it with. See kUsage.
#include "commands.h"
#include "usage_error.h"

#include <cstdio>
#include <exception>
#include <map>

const char* const kUsage = R"(usage:
  fxhost info PLUGIN
      Shows the plug-in's identifier, channels, flags, programs and parameters.

  fxhost process PLUGIN IN OUT [options]
      Runs the audio file IN through the plug-in and writes its outputs to OUT.
      A mono file feeds every input; a one-input plug-in gets the average of all
      channels; otherwise input i takes file channel i (wrapping around).
      OUT's extension picks the format: .wav .aiff .au .caf (32-bit float),
      .flac (24-bit), .ogg (Vorbis).
        --param INDEX=VALUE  set a parameter (0 to 1) after the program; repeatable
        --program N          select program N first
        --rate HZ            sample rate told to the plug-in (default: the file's)
        --block N            frames per processing call, 1 to 65536 (default 512)
        --replacing          use processReplacing instead of the accumulating process
        --tail SECONDS       silence appended so that echoes ring out (default 0)

  fxhost editor PLUGIN [--seconds S] [--param INDEX=VALUE]...
      Opens the plug-in's editor in a window of its own on the X display, with the
      test signal running through the plug-in so that its meters move, until the
      window is closed, S seconds have passed or it gets SIGINT or SIGTERM. Prints
      each parameter change the editor makes, and every parameter's value at the end.

  fxhost signal OUT [--seconds S] [--rate HZ]
      Writes the test signal: clicks, an A minor chord and a 20 Hz to 20 kHz sweep,
      mono 32-bit float, 6 s at 44100 Hz unless told otherwise.

  fxhost --help
)";

namespace {

constexpr int kUsageFailure = 2;
constexpr int kRuntimeFailure = 1;

int printUsage(std::FILE* stream, int exitCode) {
    std::fputs(kUsage, stream);
    return exitCode;
}

int runCommand(const std::string& command, const Arguments& arguments) {
    static const std::map<std::string, int (*)(const Arguments&)> kCommands = {
        {"info", runInfo}, {"process", runProcess}, {"signal", runSignal}, {"editor", runEditor}};
    if (command == "--help" || command == "-h" || command == "help") return printUsage(stdout, 0);
    const auto found = kCommands.find(command);
    if (found == kCommands.end())
        throw UsageError("unknown command '" + command + "' (fxhost --help shows the usage)");
    return found->second(arguments);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return printUsage(stderr, kUsageFailure);
    try {
        return runCommand(argv[1], Arguments(argv + 2, argv + argc));
    } catch (const UsageError& error) {
        std::fprintf(stderr, "fxhost: %s\n", error.what());
        return kUsageFailure;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fxhost: %s\n", error.what());
        return kRuntimeFailure;
    }
}
