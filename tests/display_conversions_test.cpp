// The 8-character display texts, in both arithmetic variants of the formatter.

#include "audioeffect.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

class Converter : public AudioEffect {
public:
    Converter() : AudioEffect(nullptr, 1, 1) {}
    void process(float**, float**, std::int32_t) override {}
};

enum class Formatter { MultipliesByTenth, DividesByTen };

class DisplayConversions : public ::testing::TestWithParam<Formatter> {
protected:
    void SetUp() override {
        saved = testModuleOptions();
        testModuleOptions().formatterDividesByTen = GetParam() == Formatter::DividesByTen;
    }
    void TearDown() override { testModuleOptions() = saved; }

    // Runs a conversion into a buffer that shows any write past the terminator.
    template <typename Convert> std::string text(Convert convert) {
        char buffer[32];
        std::memset(buffer, '#', sizeof buffer);
        convert(buffer);
        const char* end = static_cast<const char*>(std::memchr(buffer, 0, sizeof buffer));
        EXPECT_NE(end, nullptr);
        EXPECT_EQ(buffer[end - buffer + 1], '#') << "wrote past the terminator";
        return std::string(buffer, static_cast<std::size_t>(end - buffer));
    }

    ModuleOptions saved{};
    Converter effect;
};

TEST_P(DisplayConversions, FloatTexts) {
    const struct {
        float value;
        const char* expected;
    } cases[] = {
        {0.0f, "0.000000"},      {-0.0f, "0.000000"},     {0.5f, "0.500000"},
        {5.0f, "5.000000"},      {100.0f, "100.0000"},    {1234567.0f, "1234567."},
        {-1.5f, "-1.50000"},     {-123456.0f, "-123456."}, {100000000.0f, " Huge!  "},
        {-10000000.0f, " Huge!  "}, {0.16f, "0.159999"},  {0.7f, "0.699999"},
        {0.04f, "0.039999"},     {99999999.0f, " Huge!  "}, // the float nearest is 1e8
        {9999999.0f, "9999999."}, {-9999999.0f, "-9999999"},
        // Integer parts too long to share the 8 characters with the point are shown
        // whole instead of losing their leading digits.
        {12345678.0f, "12345678"}, {-1234567.0f, "-1234567"}, {98765432.0f, "98765432"},
        {INFINITY, " Huge!  "},   {-INFINITY, " Huge!  "},  {NAN, " Huge!  "},
        {1e-30f, "0.000000"},     {-1e-30f, "-0.00000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text([&](char* t) { effect.float2string(c.value, t); }), c.expected)
            << "value " << c.value;
}

TEST_P(DisplayConversions, DecibelTexts) {
    EXPECT_EQ(text([&](char* t) { effect.dB2string(1.0f, t); }), "0.000000");
    EXPECT_EQ(text([&](char* t) { effect.dB2string(0.5f, t); }), "-6.02059");
    EXPECT_EQ(text([&](char* t) { effect.dB2string(0.0f, t); }), "   -\xB0   ");
    EXPECT_EQ(text([&](char* t) { effect.dB2string(-1.0f, t); }), "   -\xB0   ");
}

TEST_P(DisplayConversions, MinusInfinityTextIsTheModules) {
    for (const char* minusInfinity : {kMinusInfinityLetters, kMinusInfinityDoubleDegree}) {
        testModuleOptions().minusInfinityText = minusInfinity;
        EXPECT_EQ(text([&](char* t) { effect.dB2string(0.0f, t); }), minusInfinity);
    }
    EXPECT_EQ(std::string(kMinusInfinityLetters), "  -oo   ");
    EXPECT_EQ(std::string(kMinusInfinityDoubleDegree), "   -\xB0\xB0  ");
}

TEST_P(DisplayConversions, FrequencyAndTimeTexts) {
    EXPECT_EQ(text([&](char* t) { effect.Hz2string(441.0f, t); }), "100.0000");
    EXPECT_EQ(text([&](char* t) { effect.Hz2string(0.0f, t); }), "0.000000");
    EXPECT_EQ(text([&](char* t) { effect.Hz2string(-0.0f, t); }), "0.000000");
    EXPECT_EQ(text([&](char* t) { effect.Hz2string(1e-45f, t); }), " Huge!  ");
    EXPECT_EQ(text([&](char* t) { effect.Hz2string(-1e-45f, t); }), " Huge!  ");
    EXPECT_EQ(text([&](char* t) { effect.ms2string(44100.0f, t); }), "1000.000");
    effect.setSampleRate(0.0f);
    EXPECT_EQ(text([&](char* t) { effect.ms2string(1.0f, t); }), " Huge!  ");
}

TEST_P(DisplayConversions, IntegerTexts) {
    const struct {
        std::int32_t value;
        const char* expected;
    } cases[] = {{42, "     42"},          {-12345678, "-1234567"}, {99999999, "99999999"},
                 {100000000, " Huge!  "},  {0, "      0"},          {INT32_MIN, "-2147483"},
                 {INT32_MAX, " Huge!  "}};
    for (const auto& c : cases)
        EXPECT_EQ(text([&](char* t) { effect.long2string(c.value, t); }), c.expected)
            << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(BothFormatters, DisplayConversions,
                         ::testing::Values(Formatter::MultipliesByTenth, Formatter::DividesByTen),
                         [](const auto& info) {
                             return info.param == Formatter::DividesByTen ? "DividesByTen"
                                                                          : "MultipliesByTenth";
                         });

} // namespace
