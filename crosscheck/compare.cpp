#include "compare.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>

namespace fxcheck {

namespace {

constexpr std::size_t kDifferencesShown = 10;

bool isSampleLine(const std::string& line) { return line.rfind("samples", 0) == 0; }

std::vector<float> samplesOf(const std::string& line) {
    std::vector<float> samples;
    std::istringstream words(line.substr(7));
    std::string word;
    while (words >> word)
        samples.push_back(std::bit_cast<float>(
            static_cast<std::uint32_t>(std::strtoul(word.c_str(), nullptr, 16))));
    return samples;
}

float unitInLastPlace(float value) {
    const float magnitude = std::max(std::fabs(value), FLT_MIN);
    return std::nextafter(magnitude, INFINITY) - magnitude;
}

void note(Comparison& result, std::string text) {
    result.same = false;
    if (result.differences.size() < kDifferencesShown) result.differences.push_back(std::move(text));
}

// One channel of one run: the consecutive sample lines from `first` to `end`.
void compareSamples(const std::vector<std::string>& reference,
                    const std::vector<std::string>& other, std::size_t first, std::size_t end,
                    int allowance, Comparison& result) {
    std::vector<std::vector<float>> expected, actual;
    float peak = 0.0f;
    for (std::size_t i = first; i < end; ++i) {
        expected.push_back(samplesOf(reference[i]));
        actual.push_back(samplesOf(other[i]));
        for (float s : expected.back())
            if (std::isfinite(s)) peak = std::max(peak, std::fabs(s));
    }
    const float unit = unitInLastPlace(peak);
    for (std::size_t line = 0; line < expected.size(); ++line) {
        if (expected[line].size() != actual[line].size()) {
            note(result, "line " + std::to_string(first + line + 1) + ": sample count differs");
            continue;
        }
        for (std::size_t k = 0; k < expected[line].size(); ++k) {
            const float a = expected[line][k], b = actual[line][k];
            if (std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b)) continue;
            if (std::isnan(a) && std::isnan(b)) continue;
            ++result.differingSamples;
            const double deviation = std::fabs(double(a) - double(b)) / double(unit);
            if (!std::isnan(deviation))
                result.largestDeviation = std::max(result.largestDeviation, deviation);
            if (std::isnan(deviation) || deviation > allowance) {
                std::ostringstream text;
                text << "line " << first + line + 1 << ", sample " << k << ": " << b
                     << " where the reference has " << a << " (" << deviation
                     << " units in the last place of the peak " << peak << ")";
                note(result, text.str());
            }
        }
    }
}

} // namespace

int sampleAllowance(const std::string& pluginName) {
    // The plug-ins whose processing or tables use library maths (an echo's sine
    // modulator, waveform oscillators, a cosine table, exponential sweeps, filter
    // coefficients); all others must match bit for bit. squeezer's powers of ten for its
    // levels come out the same on both platforms: it is held to bit for bit.
    static const std::map<std::string, int> kAllowances = {
        {"driftecho", 4}, {"pulsar", 4}, {"swirl", 4}, {"jetstream", 16}, {"trio", 16},
    };
    const auto found = kAllowances.find(pluginName);
    return found == kAllowances.end() ? 0 : found->second;
}

Comparison compareReports(const std::vector<std::string>& reference,
                          const std::vector<std::string>& other, int allowance) {
    Comparison result;
    if (reference.size() != other.size())
        note(result, "the reports have " + std::to_string(reference.size()) + " and " +
                         std::to_string(other.size()) + " lines");
    const std::size_t lines = std::min(reference.size(), other.size());
    for (std::size_t i = 0; i < lines;) {
        if (isSampleLine(reference[i]) && isSampleLine(other[i])) {
            std::size_t end = i;
            while (end < lines && isSampleLine(reference[end]) && isSampleLine(other[end])) ++end;
            compareSamples(reference, other, i, end, allowance, result);
            i = end;
            continue;
        }
        if (reference[i] != other[i])
            note(result, "line " + std::to_string(i + 1) + ":\n  expected " + reference[i] +
                             "\n  found    " + other[i]);
        ++i;
    }
    return result;
}

} // namespace fxcheck
