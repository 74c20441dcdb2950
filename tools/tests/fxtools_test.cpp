// The parts of fxhost whose cases the driftecho plug-in cannot reach from outside: other
// channel layouts, text conversion, argument forms, the test signal's shape.
#include "audio_files.h"
#include "channel_mapping.h"
#include "number_parsing.h"
#include "printable_text.h"
#include "process_options.h"
#include "test_signal.h"
#include "text_table.h"
#include "usage_error.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <sstream>

namespace {

TEST(ChannelMapping, FileChannelsFeedPluginInputs) {
    struct Case {
        int fileChannels;
        int inputs;
        std::vector<float> expected; // what each input receives from one frame
    };
    // File channel c carries the value c + 1.
    const Case cases[] = {
        {1, 1, {1}},    {1, 3, {1, 1, 1}}, {2, 1, {1.5f}},       {4, 1, {2.5f}},
        {2, 2, {1, 2}}, {3, 2, {1, 2}},    {2, 4, {1, 2, 1, 2}}, {3, 5, {1, 2, 3, 1, 2}},
    };
    for (const auto& c : cases) {
        constexpr int kFrames = 3;
        std::vector<float> interleaved;
        for (int f = 0; f < kFrames; ++f)
            for (int ch = 0; ch < c.fileChannels; ++ch)
                interleaved.push_back(float(ch + 1));
        fxhost::AudioBuffers inputs(c.inputs, kFrames);
        ChannelMapping(c.fileChannels, c.inputs).fill(interleaved.data(), kFrames, inputs);
        for (int i = 0; i < c.inputs; ++i)
            for (int f = 0; f < kFrames; ++f)
                EXPECT_EQ(inputs.channel(i)[f], c.expected[static_cast<std::size_t>(i)])
                    << c.fileChannels << " channels into " << c.inputs << " inputs, input " << i;
    }
}

TEST(ChannelMapping, PluginWithoutInputsTakesNothing) {
    fxhost::AudioBuffers inputs(0, 4);
    const float frame[8] = {};
    ChannelMapping(2, 0).fill(frame, 4, inputs); // must not touch any buffer
}

TEST(PrintableText, Latin1BecomesUtf8AndControlsAreDefused) {
    const std::pair<std::string, std::string> cases[] = {
        {"Tempo", "Tempo"},
        {"   -\xB0   ", "   -\u00B0   "},
        {"\xE9t\xE9", "\u00E9t\u00E9"},
        {"\xFF", "\u00FF"},
        {"\xA0", "\u00A0"},
        {"\x1B[2J", "?[2J"},
        {"\x9B"
         "2J",
         "?2J"},
        {"a\x7F"
         "b",
         "a?b"},
        {"tab\there", "tab?here"},
        {"", ""},
    };
    for (const auto& [latin1, utf8] : cases)
        EXPECT_EQ(latin1ToUtf8(latin1), utf8) << latin1;
}

TEST(PrintableText, TrimmedDropsPaddingOnly) {
    EXPECT_EQ(trimmed("Mod Speed "), "Mod Speed");
    EXPECT_EQ(trimmed("   -\xB0   "), "-\xB0");
    EXPECT_EQ(trimmed("    "), "");
}

TEST(TextTable, DegreeSignTakesOneColumn) {
    TextTable table({TextTable::Align::left, TextTable::Align::right, TextTable::Align::left});
    table.addRow({"a\xB0", "1", "x"});
    table.addRow({"bbb", "100", "y"});
    std::ostringstream out;
    table.print(out);
    EXPECT_EQ(out.str(), "  a\u00B0     1  x\n"
                         "  bbb  100  y\n");
}

TEST(NumberParsing, WholeTextMustBeTheNumber) {
    EXPECT_EQ(parseInteger("12"), 12);
    EXPECT_EQ(parseInteger("+5"), 5);
    EXPECT_EQ(parseInteger("-3"), -3);
    for (const char* bad : {"", " 1", "1 ", "1x", "+-1", "1.0", "0x10", "+"})
        EXPECT_FALSE(parseInteger(bad)) << '"' << bad << '"';
    EXPECT_EQ(parseNumber("0.25"), 0.25);
    EXPECT_EQ(parseNumber("+1e-3"), 1e-3);
    EXPECT_EQ(parseNumber("-2"), -2.0);
    for (const char* bad : {"", "0.5.", "1,5", "0.5 ", "abc", "++1"})
        EXPECT_FALSE(parseNumber(bad)) << '"' << bad << '"';
}

TEST(ProcessOptions, OptionsMayComeAnywhereInEitherForm) {
    const ProcessOptions options = parseProcessOptions(
        {"--block=256", "p.so", "--param", "3=0.5", "in.wav", "--param=0=1", "--program", "2",
         "--rate", "48000", "--replacing", "--tail=1.5", "--", "--odd name.wav"});
    EXPECT_EQ(options.pluginPath, "p.so");
    EXPECT_EQ(options.inputPath, "in.wav");
    EXPECT_EQ(options.outputPath, "--odd name.wav");
    EXPECT_EQ(options.blockSize, 256);
    ASSERT_EQ(options.parameters.size(), 2u);
    EXPECT_EQ(options.parameters[0].index, 3);
    EXPECT_EQ(options.parameters[0].value, 0.5f);
    EXPECT_EQ(options.parameters[1].index, 0);
    EXPECT_EQ(options.parameters[1].value, 1.0f);
    EXPECT_EQ(options.program, 2);
    EXPECT_EQ(options.sampleRate, 48000.0);
    EXPECT_TRUE(options.replacing);
    EXPECT_EQ(options.tailSeconds, 1.5);
}

TEST(ProcessOptions, DefaultsWhenNothingIsGiven) {
    const ProcessOptions options = parseProcessOptions({"p.so", "in.wav", "out.wav"});
    EXPECT_EQ(options.blockSize, 512);
    EXPECT_FALSE(options.sampleRate);
    EXPECT_FALSE(options.program);
    EXPECT_TRUE(options.parameters.empty());
    EXPECT_FALSE(options.replacing);
    EXPECT_EQ(options.tailSeconds, 0.0);
}

TEST(ProcessOptions, BoundsAreInclusive) {
    EXPECT_EQ(parseProcessOptions({"p", "i", "o", "--block", "1"}).blockSize, 1);
    EXPECT_EQ(parseProcessOptions({"p", "i", "o", "--block", "65536"}).blockSize, 65536);
    EXPECT_EQ(parseProcessOptions({"p", "i", "o", "--param", "0=0"}).parameters[0].value, 0.0f);
    EXPECT_EQ(parseProcessOptions({"p", "i", "o", "--param", "0=1"}).parameters[0].value, 1.0f);
    EXPECT_EQ(parseProcessOptions({"p", "i", "o", "--tail", "0"}).tailSeconds, 0.0);
    EXPECT_THROW(parseProcessOptions({"p", "i", "o", "--rate", "1e10"}), UsageError);
}

TEST(OutputFormat, ExtensionDecidesCaseInsensitively) {
    EXPECT_EQ(outputFormatFor("a/b.WAV"), SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(outputFormatFor("x.Flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    for (const char* bad : {"out", "out.mp3", "dir.wav/out", ".wav/x", "out.wav.bak"})
        EXPECT_THROW(outputFormatFor(bad), UsageError) << bad;
}

TEST(TestSignal, ClicksChordAndSweepInTheirPlaces) {
    constexpr int kRate = 44100;
    const std::vector<float> signal = makeTestSignal(kRate, 6.0);
    ASSERT_EQ(signal.size(), 6u * kRate);
    const auto share = [&](double s) {
        return static_cast<std::size_t>(s * double(signal.size()));
    };

    // Isolated clicks at full level before the chord.
    int clicks = 0;
    for (std::size_t i = 0; i < share(0.2); ++i)
        if (signal[i] != 0.0f) {
            EXPECT_EQ(signal[i], TestSignalLayout::kPeak);
            ++clicks;
        }
    EXPECT_EQ(clicks, TestSignalLayout::kClicks);

    const auto peakOf = [&](std::size_t from, std::size_t to) {
        float peak = 0.0f;
        for (std::size_t i = from; i < to; ++i)
            peak = std::max(peak, std::abs(signal[i]));
        return peak;
    };
    EXPECT_GT(peakOf(share(0.2), share(0.45)), 0.3f);   // chord
    EXPECT_EQ(peakOf(share(0.46), share(0.54)), 0.0f);  // silence
    EXPECT_GT(peakOf(share(0.55), share(0.95)), 0.45f); // sweep
    EXPECT_LE(peakOf(0, signal.size()), TestSignalLayout::kPeak);
    EXPECT_EQ(peakOf(share(0.96), signal.size()), 0.0f);
}

TEST(TestSignal, SweepStaysBelowNyquistAtLowRates) {
    const std::vector<float> signal = makeTestSignal(8000, 1.0);
    ASSERT_EQ(signal.size(), 8000u);
    // At 8000 Hz the sweep must stop at 3600 Hz instead of 20 kHz. Over the last tenth
    // of it the tone then lies between about 1.9 and 3.6 kHz, which its zero crossings
    // show; an uncapped sweep would be at 9 to 20 kHz there and fold back unpredictably.
    int crossings = 0;
    for (std::size_t i = 7200; i < 7600; ++i)
        if ((signal[i] < 0.0f) != (signal[i + 1] < 0.0f)) ++crossings;
    const double frequency = crossings / 2.0 / (400.0 / 8000.0);
    EXPECT_GT(frequency, 1500.0);
    EXPECT_LT(frequency, 4000.0);
}

} // namespace
