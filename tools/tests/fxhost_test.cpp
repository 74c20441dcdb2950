// fxhost driven from outside, as a user runs it: the real binary, the real driftecho
// plug-in, files written and read back with libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kFxhost = FXHOST_PATH;
const std::string kDriftecho = DRIFTECHO_PATH;

// driftecho's default program at 44100 Hz: 120 bpm, 3 units of a 1/4 measure.
constexpr int kRate = 44100;
constexpr int kEchoDelay = 16537;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

RunResult runFxhost(const std::vector<std::string>& arguments, const fs::path& scratch) {
    const fs::path outPath = scratch / "stdout.txt", errPath = scratch / "stderr.txt";
    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr))
            _exit(127);
        std::vector<char*> argv{const_cast<char*>(kFxhost.c_str())};
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(kFxhost.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    RunResult result{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                     fileText(outPath), fileText(errPath)};
    fs::remove(outPath);
    fs::remove(errPath);
    return result;
}

struct Audio {
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<float> samples; // interleaved

    std::int64_t frames() const { return channels ? std::ssize(samples) / channels : 0; }
    float at(std::int64_t frame, int channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
};

void writeAudio(const fs::path& path, const Audio& audio) {
    SF_INFO info{};
    info.channels = audio.channels;
    info.samplerate = audio.rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(sf_writef_float(file, audio.samples.data(), audio.frames()), audio.frames());
    sf_close(file);
}

Audio readAudio(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return {};
    }
    Audio audio{info.channels, info.samplerate, info.format,
                std::vector<float>(static_cast<std::size_t>(info.frames * info.channels))};
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

Audio monoImpulse(int frames, float level = 1.0f) {
    Audio audio{1, kRate, 0, std::vector<float>(static_cast<std::size_t>(frames), 0.0f)};
    audio.samples[0] = level;
    return audio;
}

// Something that changes every sample, so any misplaced or repeated block shows.
Audio noise(int channels, int frames) {
    Audio audio{channels, kRate, 0, {}};
    std::uint32_t state = 12345;
    for (int i = 0; i < channels * frames; ++i) {
        state = state * 1664525u + 1013904223u;
        audio.samples.push_back(static_cast<float>(state >> 8) / 16777216.0f - 0.5f);
    }
    return audio;
}

// The first frame at which any channel is not zero, or -1.
std::int64_t firstSound(const Audio& audio) {
    for (std::int64_t f = 0; f < audio.frames(); ++f)
        for (int c = 0; c < audio.channels; ++c)
            if (audio.at(f, c) != 0.0f) return f;
    return -1;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> result;
    for (std::string word; in >> word;)
        result.push_back(word);
    return result;
}

// The lines after the one that starts with `heading`, up to the next empty line.
std::vector<std::string> linesAfter(const std::string& text, const std::string& heading) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    bool found = false;
    for (std::string line; std::getline(in, line);) {
        if (found && line.empty()) break;
        if (found) lines.push_back(line);
        if (line.rfind(heading, 0) == 0) found = true;
    }
    return lines;
}

class FxhostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fxhost-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    RunResult run(const std::vector<std::string>& arguments) { return runFxhost(arguments, dir); }

    // Processes `input` with extra arguments; expects success and returns the output.
    Audio process(const Audio& input, std::vector<std::string> extra = {}) {
        writeAudio(dir / "in.wav", input);
        std::vector<std::string> arguments{"process", kDriftecho, dir / "in.wav", dir / "out.wav"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const RunResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return readAudio(dir / "out.wav");
    }

    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

TEST_F(FxhostTest, InfoShowsIdentifierChannelsProgramsAndParameterTable) {
    const RunResult result = run({"info", kDriftecho});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string& out = result.out;
    EXPECT_NE(out.find("QJX2 (0x514A5832)"), std::string::npos) << out;
    EXPECT_NE(out.find("inputs      1"), std::string::npos) << out;
    EXPECT_NE(out.find("outputs     2"), std::string::npos) << out;
    EXPECT_NE(out.find("canReplacing"), std::string::npos) << out;
    EXPECT_NE(out.find("programs: 16"), std::string::npos) << out;
    EXPECT_NE(out.find("0  Default  (current)"), std::string::npos) << out;
    EXPECT_NE(out.find("15  Default"), std::string::npos) << out;
    EXPECT_NE(out.find("parameters: 8"), std::string::npos) << out;
    // Index, trimmed name, label, display text and value, in aligned columns: with the
    // value right-aligned, every row of the table ends in the same column.
    const std::vector<std::string> table = linesAfter(out, "parameters: 8");
    ASSERT_EQ(table.size(), 9u) << out;
    EXPECT_EQ(words(table[0]),
              (std::vector<std::string>{"#", "name", "label", "display", "value"}));
    EXPECT_EQ(words(table[1]), (std::vector<std::string>{"0", "Tempo", "bpm", "120", "0.410959"}));
    EXPECT_EQ(words(table[6]),
              (std::vector<std::string>{"5", "Mod", "Speed", "Hz", "0.51", "0.250000"}));
    EXPECT_EQ(words(table[8]),
              (std::vector<std::string>{"7", "Volume", "level", "75%", "0.750000"}));
    for (const auto& row : table)
        EXPECT_EQ(row.size(), table[0].size()) << row;
    EXPECT_TRUE(result.err.empty()) << result.err;
}

TEST_F(FxhostTest, ImpulseComesBackAfterTheEchoDelayAndTheTailIsAppended) {
    constexpr int kInputFrames = 30000;
    const Audio output = process(monoImpulse(kInputFrames), {"--tail", "1"});
    EXPECT_EQ(output.channels, 2);
    EXPECT_EQ(output.rate, kRate);
    EXPECT_EQ(output.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(output.frames(), kInputFrames + kRate);
    EXPECT_EQ(firstSound(output), kEchoDelay);
    // The feedback brings it back again one delay later, inside the tail.
    EXPECT_NE(output.at(2 * kEchoDelay, 0) + output.at(2 * kEchoDelay, 1), 0.0f);
}

TEST_F(FxhostTest, EveryWayOfDrivingTheBlocksGivesTheSameOutput) {
    const Audio input = noise(1, 20000);
    const Audio reference = process(input, {"--tail", "0.5"});
    ASSERT_EQ(reference.frames(), 20000 + kRate / 2);
    const std::vector<std::vector<std::string>> variants = {
        {"--replacing"},      {"--block", "1"},     {"--block=333", "--replacing"},
        {"--block", "65536"}, {"--block", "20000"}, {"--block", "4096", "--replacing"},
    };
    for (const auto& variant : variants) {
        std::vector<std::string> arguments = variant;
        arguments.insert(arguments.end(), {"--tail", "0.5"});
        const Audio output = process(input, arguments);
        EXPECT_EQ(output.samples, reference.samples) << ::testing::PrintToString(variant);
    }
}

TEST_F(FxhostTest, MultiChannelFileIsMixedToTheSingleInput) {
    Audio stereo{2, kRate, 0, std::vector<float>(2 * 20000, 0.0f)};
    stereo.samples[0] = 1.0f;   // left
    stereo.samples[1] = 0.5f;   // right
    stereo.samples[21] = 0.25f; // right, frame 10
    Audio mono = monoImpulse(20000, 0.75f);
    mono.samples[10] = 0.125f;
    EXPECT_EQ(process(stereo).samples, process(mono).samples);
}

TEST_F(FxhostTest, ProgramComesBeforeParametersAndRateGoesToThePlugin) {
    const Audio input = monoImpulse(20000);
    struct Case {
        std::vector<std::string> arguments;
        std::int64_t echoAt; // -1: silent
    };
    const Case cases[] = {
        {{"--param", "7=0"}, -1},                             // volume 0
        {{"--program", "3", "--param", "7=0"}, -1},           // the program must not undo it
        {{"--param", "7=0", "--param", "7=0.5"}, kEchoDelay}, // in the order given
        // The rate reaches the plug-in before the program is selected, so driftecho
        // works out its delay at it: half the rate, half the delay.
        {{"--rate", "22050"}, 8268},
        {{"--param", "2=0"}, 5512}, // one unit: 22050 / 4
    };
    for (const auto& c : cases) {
        const Audio output = process(input, c.arguments);
        EXPECT_EQ(output.rate, kRate) << ::testing::PrintToString(c.arguments);
        EXPECT_EQ(firstSound(output), c.echoAt) << ::testing::PrintToString(c.arguments);
    }
}

TEST_F(FxhostTest, OutputFormatFollowsTheExtension) {
    writeAudio(dir / "in.wav", monoImpulse(20000, 0.5f));
    const std::map<std::string, int> formats = {
        {"out.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"out.WAVE", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"out.aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"out.aif", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},
        {"out.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"out.au", SF_FORMAT_AU | SF_FORMAT_FLOAT},
        {"out.caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT},
        {"out.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    for (const auto& [name, format] : formats) {
        const RunResult result = run({"process", kDriftecho, dir / "in.wav", dir / name});
        ASSERT_EQ(result.exitCode, 0) << name << ": " << result.err;
        const Audio output = readAudio(dir / name);
        EXPECT_EQ(output.format & ~SF_FORMAT_ENDMASK, format) << name;
        EXPECT_EQ(output.channels, 2) << name;
        EXPECT_EQ(output.frames(), 20000) << name;
    }
}

TEST_F(FxhostTest, ProcessReportsFramesAndSpeed) {
    const RunResult result = [&] {
        writeAudio(dir / "in.wav", monoImpulse(kRate));
        return run({"process", kDriftecho, dir / "in.wav", dir / "out.wav", "--tail", "2"});
    }();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.rfind("driftecho: 132300 frames, 3.00 s of audio, processed in ", 0), 0u)
        << result.out;
    EXPECT_NE(result.out.find("x real time\n"), std::string::npos) << result.out;
}

TEST_F(FxhostTest, SignalIsMonoFloatWithClicksChordAndSweepAtModerateLevel) {
    struct Case {
        std::vector<std::string> options;
        int rate;
        std::int64_t frames;
    };
    const Case cases[] = {{{}, 44100, 6 * 44100},
                          {{"--seconds", "2", "--rate", "48000"}, 48000, 96000}};
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"signal", dir / "signal.wav"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const RunResult result = run(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const Audio signal = readAudio(dir / "signal.wav");
        EXPECT_EQ(signal.channels, 1);
        EXPECT_EQ(signal.rate, c.rate);
        EXPECT_EQ(signal.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        EXPECT_EQ(signal.frames(), c.frames);
        float peak = 0.0f;
        for (float s : signal.samples)
            peak = std::max(peak, std::abs(s));
        EXPECT_GT(peak, 0.4f);
        EXPECT_LE(peak, 0.5f);
        EXPECT_EQ(signal.samples.front(), 0.0f); // it starts and ends in silence
        EXPECT_EQ(signal.samples.back(), 0.0f);
    }
}

TEST_F(FxhostTest, HelpAndNoArgumentsPrintTheUsage) {
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("fxhost process PLUGIN IN OUT"), std::string::npos);
    const RunResult bare = run({});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_NE(bare.err.find("fxhost info PLUGIN"), std::string::npos);
}

// Each bad invocation fails with one line on stderr and leaves no output file, temporary
// or final, behind. IN, OUT and PLUGIN stand for a good input, the output path and
// driftecho; @NAME is a file NAME in the test's folder.
TEST_F(FxhostTest, BadInputFailsWithOneMessageAndNoOutput) {
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        {"missing input", {"process", "PLUGIN", "@missing.wav", "OUT"}, 1},
        {"input not audio", {"process", "PLUGIN", "@notes.txt", "OUT"}, 1},
        {"missing plug-in", {"process", "@nothing.so", "IN", "OUT"}, 1},
        {"plug-in not a library", {"process", "@notes.txt", "IN", "OUT"}, 1},
        {"output folder missing", {"process", "PLUGIN", "IN", "@nowhere/out.wav"}, 1},
        {"parameter index too high", {"process", "PLUGIN", "IN", "OUT", "--param", "8=0.5"}, 2},
        {"parameter index negative", {"process", "PLUGIN", "IN", "OUT", "--param", "-1=0.5"}, 2},
        {"parameter value above 1", {"process", "PLUGIN", "IN", "OUT", "--param", "0=1.5"}, 2},
        {"parameter value below 0", {"process", "PLUGIN", "IN", "OUT", "--param", "0=-0.1"}, 2},
        {"parameter value not a number", {"process", "PLUGIN", "IN", "OUT", "--param", "0=x"}, 2},
        {"parameter value nan", {"process", "PLUGIN", "IN", "OUT", "--param", "0=nan"}, 2},
        {"parameter without '='", {"process", "PLUGIN", "IN", "OUT", "--param", "3"}, 2},
        {"parameter without index", {"process", "PLUGIN", "IN", "OUT", "--param", "=0.5"}, 2},
        {"parameter without value", {"process", "PLUGIN", "IN", "OUT", "--param"}, 2},
        {"program too high", {"process", "PLUGIN", "IN", "OUT", "--program", "16"}, 2},
        {"program negative", {"process", "PLUGIN", "IN", "OUT", "--program", "-1"}, 2},
        {"rate zero", {"process", "PLUGIN", "IN", "OUT", "--rate", "0"}, 2},
        {"rate negative", {"process", "PLUGIN", "IN", "OUT", "--rate", "-44100"}, 2},
        {"rate not a number", {"process", "PLUGIN", "IN", "OUT", "--rate", "fast"}, 2},
        {"rate infinite", {"process", "PLUGIN", "IN", "OUT", "--rate", "inf"}, 2},
        {"block zero", {"process", "PLUGIN", "IN", "OUT", "--block", "0"}, 2},
        {"block too large", {"process", "PLUGIN", "IN", "OUT", "--block", "65537"}, 2},
        {"block fractional", {"process", "PLUGIN", "IN", "OUT", "--block", "1.5"}, 2},
        {"tail negative", {"process", "PLUGIN", "IN", "OUT", "--tail", "-1"}, 2},
        {"tail infinite", {"process", "PLUGIN", "IN", "OUT", "--tail", "inf"}, 2},
        {"tail too long", {"process", "PLUGIN", "IN", "OUT", "--tail", "1e300"}, 2},
        {"unknown option", {"process", "PLUGIN", "IN", "OUT", "--frobnicate"}, 2},
        {"flag with a value", {"process", "PLUGIN", "IN", "OUT", "--replacing=yes"}, 2},
        {"missing OUT", {"process", "PLUGIN", "IN"}, 2},
        {"extra argument", {"process", "PLUGIN", "IN", "OUT", "more"}, 2},
        {"unknown output extension", {"process", "PLUGIN", "IN", "@out.xyz"}, 2},
        {"unknown command", {"render", "PLUGIN", "IN", "OUT"}, 2},
        {"info without plug-in", {"info"}, 2},
        {"info of a missing plug-in", {"info", "@nothing.so"}, 1},
        {"signal length zero", {"signal", "OUT", "--seconds", "0"}, 2},
        {"signal rate too low", {"signal", "OUT", "--rate", "100"}, 2},
        {"signal without OUT", {"signal"}, 2},
        {"editor without plug-in", {"editor"}, 2},
        {"editor of a plug-in without one", {"editor", "PLUGIN"}, 1},
        {"editor for no time", {"editor", "PLUGIN", "--seconds", "0"}, 2},
        {"editor parameter without '='", {"editor", "PLUGIN", "--param", "3"}, 2},
    };
    writeAudio(dir / "in.wav", monoImpulse(1000));
    std::ofstream(dir / "notes.txt") << "not audio\n";
    const std::vector<std::string> before = filesInDir();
    for (const auto& c : cases) {
        std::vector<std::string> arguments;
        for (const auto& a : c.arguments) {
            if (a == "PLUGIN")
                arguments.push_back(kDriftecho);
            else if (a == "IN")
                arguments.push_back(dir / "in.wav");
            else if (a == "OUT")
                arguments.push_back(dir / "out.wav");
            else if (a.starts_with('@'))
                arguments.push_back(dir / a.substr(1));
            else
                arguments.push_back(a);
        }
        const RunResult result = run(arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.what << ": " << result.err;
        EXPECT_EQ(result.err.rfind("fxhost: ", 0), 0u) << c.what << ": " << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1)
            << c.what << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << c.what << ": " << result.out;
        EXPECT_EQ(filesInDir(), before) << c.what;
    }
}

} // namespace
