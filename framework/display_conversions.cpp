// The 8-character parameter texts that hosts show. The number formatter is written out
// digit by digit: its truncation (0.16f shows 0.159999) is part of what hosts display.

#include "audioeffect.h"
#include "module_options.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kBudget = 8; // characters of a display text
constexpr char kHuge[] = " Huge!  ";

// One tenth of x, the way the module's formatter forms it.
inline double tenthOf(double x, bool dividesByTen) { return dividesByTen ? x / 10.0 : x * 0.1; }

// The decimal digit of x's units place, for x >= 0.
inline char unitsDigit(double x) { return char('0' + static_cast<int>(std::fmod(x, 10.0))); }

} // namespace

void AudioEffect::dB2string(float value, char* text) {
    if (value > 0.0f)
        float2string(static_cast<float>(20.0 * std::log10(double(value))), text);
    else
        std::memcpy(text, moduleOptions().minusInfinityText, kBudget + 1);
}

void AudioEffect::Hz2string(float samples, char* text) {
    if (samples == 0.0f)
        float2string(0.0f, text);
    else
        float2string(static_cast<float>(double(getSampleRate()) / double(samples)), text);
}

void AudioEffect::ms2string(float samples, char* text) {
    const double rate = getSampleRate();
    // Without a sample rate no duration exists; it shows as over range.
    if (rate == 0.0)
        float2string(HUGE_VALF, text);
    else
        float2string(static_cast<float>(double(samples) * 1000.0 / rate), text);
}

void AudioEffect::long2string(std::int32_t value, char* text) {
    if (value >= 100000000) {
        std::memcpy(text, kHuge, sizeof kHuge);
        return;
    }
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "%7d", value);
    formatted[kBudget] = 0;
    std::memcpy(text, formatted, std::strlen(formatted) + 1);
}

void AudioEffect::float2string(float value, char* text) {
    const bool dividesByTen = moduleOptions().formatterDividesByTen;
    double v = value;
    int used = 0;

    const bool negative = std::signbit(value) && value != 0.0f;
    if (negative) {
        v = -v;
        used = 1;
    }
    // NaN has no digits to show; it gets the over-range text.
    if (!(v <= (negative ? 9999999.0 : 99999999.0))) {
        std::memcpy(text, kHuge, sizeof kHuge);
        return;
    }

    // The integer part, built from the right: a point, then the digits.
    char scratch[kBudget + 2];
    int pos = kBudget + 1;
    scratch[pos] = 0;
    scratch[--pos] = '.';
    ++used;
    double ip = std::floor(v);

    // An integer part too long to share the budget with the point (8 digits, or 7 and a
    // sign) is shown whole, without the point.
    int integerDigits = 1;
    for (double rest = ip; rest >= 10.0; rest = std::floor(rest / 10.0)) ++integerDigits;
    if (used + integerDigits > kBudget) {
        ++pos;
        scratch[pos] = 0;
        --used;
    }

    scratch[--pos] = unitsDigit(ip);
    ip = tenthOf(ip, dividesByTen);
    ++used;
    while (ip >= 1.0 && used < kBudget) {
        scratch[--pos] = unitsDigit(ip);
        ip = tenthOf(ip, dividesByTen);
        ++used;
    }
    if (negative) scratch[--pos] = '-';

    const std::size_t length = std::strlen(scratch + pos);
    std::memcpy(text, scratch + pos, length + 1);
    if (used >= kBudget) return;

    // The fraction: as many digits as the budget leaves, truncated, built from the right.
    static constexpr double kPowersOfTen[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6, 1e7};
    const int fractionDigits = kBudget - used;
    double m = std::fmod(v, 1.0) * kPowersOfTen[fractionDigits];
    char* fraction = text + length;
    for (int k = fractionDigits - 1; k >= 0; --k) {
        if (m <= 0.0) {
            fraction[k] = '0';
        } else {
            fraction[k] = unitsDigit(m);
            m = tenthOf(m, dividesByTen);
        }
    }
    fraction[fractionDigits] = 0;
}
