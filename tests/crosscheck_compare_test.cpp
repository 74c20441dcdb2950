// The comparison of a plug-in's reports from two builds: texts must match exactly,
// samples bit for bit or within the allowance, measured against the channel's peak.
#include "compare.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>

namespace {

std::string hex(float value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", std::bit_cast<std::uint32_t>(value));
    return text;
}

// A report with one channel: a peak of 0.5 and a quiet sample.
std::vector<std::string> report(float quiet, const std::string& display = "\"120\"") {
    return {"fxcheck report 1 plugin test", "param 0 display=" + display, "output 0",
            "samples " + hex(0.5f) + " " + hex(quiet), "vu 0"};
}

std::vector<std::string> withoutLastLine(std::vector<std::string> lines) {
    lines.pop_back();
    return lines;
}

float ulpsAbove(float value, int ulps) {
    return std::bit_cast<float>(std::bit_cast<std::uint32_t>(value) + std::uint32_t(ulps));
}

constexpr float kQuiet = 0.001f;
// A unit in the last place of the peak 0.5, in units in the last place of kQuiet.
constexpr int kPeakUlpInQuietUlps = 1 << 9;

struct Case {
    const char* what;
    std::vector<std::string> other;
    int allowance;
    bool same;
};

TEST(CrossCheckCompare, TextsExactSamplesWithinTheAllowanceOfThePeak) {
    const float nan1 = std::bit_cast<float>(0x7FC00000u), nan2 = std::bit_cast<float>(0x7FC00001u);
    const Case cases[] = {
        {"identical", report(kQuiet), 0, true},
        {"a text differs", report(kQuiet, "\"121\""), 16, false},
        {"a line is missing", withoutLastLine(report(kQuiet)), 16, false},
        {"one unit off, bit for bit wanted", report(ulpsAbove(kQuiet, 1)), 0, false},
        {"small against the peak", report(ulpsAbove(kQuiet, 3 * kPeakUlpInQuietUlps)), 4, true},
        {"beyond the allowance", report(ulpsAbove(kQuiet, 5 * kPeakUlpInQuietUlps)), 4, false},
        {"NaN where a number belongs", report(nan1), 16, false},
    };
    for (const Case& c : cases) {
        const fxcheck::Comparison result =
            fxcheck::compareReports(report(kQuiet), c.other, c.allowance);
        EXPECT_EQ(result.same, c.same) << c.what;
        EXPECT_EQ(result.differences.empty(), c.same) << c.what;
    }
    EXPECT_TRUE(fxcheck::compareReports(report(nan1), report(nan2), 0).same)
        << "NaN is NaN, whatever its payload";
}

TEST(CrossCheckCompare, OnlyPluginsWithLibraryMathsGetAnAllowance) {
    EXPECT_GT(fxcheck::sampleAllowance("driftecho"), 0);
    EXPECT_EQ(fxcheck::sampleAllowance("gain"), 0);
    EXPECT_EQ(fxcheck::sampleAllowance("a-new-plugin"), 0);
}

} // namespace
