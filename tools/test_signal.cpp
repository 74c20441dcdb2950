#include "test_signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Where each part lies, as shares of the whole length.
constexpr double kClickTimes[TestSignalLayout::kClicks] = {0.02, 0.07, 0.12};
constexpr double kChordStart = 0.20, kChordEnd = 0.45;
constexpr double kSweepStart = 0.55, kSweepEnd = 0.95;

// A minor triad: A3, C4, E4.
constexpr double kChordFrequencies[] = {220.0, 261.6256, 329.6276};
constexpr double kSweepLow = 20.0, kSweepHigh = 20000.0;

// Raised-cosine fades so the chord and sweep start and stop without clicks of their own.
double fadeGain(double t, double length, double attack, double release) {
    const auto rise = [](double x) { return 0.5 - 0.5 * std::cos(std::numbers::pi * x); };
    if (t < attack) return rise(t / attack);
    if (t > length - release) return rise((length - t) / release);
    return 1.0;
}

class SignalWriter {
public:
    SignalWriter(std::vector<float>& samples, int rate) : samples(samples), rate(rate) {}

    std::size_t frameAt(double share) const {
        return std::min(samples.size(),
                        static_cast<std::size_t>(share * static_cast<double>(samples.size())));
    }

    void addClicks() {
        for (const double share : kClickTimes) {
            const std::size_t frame = frameAt(share);
            if (frame < samples.size())
                samples[frame] = static_cast<float>(TestSignalLayout::kPeak);
        }
    }

    void addChord() {
        const std::size_t first = frameAt(kChordStart), last = frameAt(kChordEnd);
        const double length = static_cast<double>(last - first) / rate;
        const double amplitude = TestSignalLayout::kPeak / std::size(kChordFrequencies);
        for (std::size_t i = first; i < last; ++i) {
            const double t = static_cast<double>(i - first) / rate;
            double sum = 0.0;
            for (const double f : kChordFrequencies)
                sum += std::sin(kTwoPi * f * t);
            const double gain = fadeGain(t, length, 0.05 * length, 0.3 * length);
            samples[i] = static_cast<float>(amplitude * gain * sum);
        }
    }

    // Exponential sweep: the phase is the integral of f(t) = low * (high/low)^(t/length).
    void addSweep() {
        const std::size_t first = frameAt(kSweepStart), last = frameAt(kSweepEnd);
        const double length = static_cast<double>(last - first) / rate;
        const double high = std::min(kSweepHigh, 0.45 * rate);
        const double growth = std::log(high / kSweepLow);
        for (std::size_t i = first; i < last; ++i) {
            const double t = static_cast<double>(i - first) / rate;
            const double phase =
                kTwoPi * kSweepLow * length / growth * (std::exp(growth * t / length) - 1.0);
            const double gain = fadeGain(t, length, 0.02 * length, 0.02 * length);
            samples[i] = static_cast<float>(TestSignalLayout::kPeak * gain * std::sin(phase));
        }
    }

private:
    std::vector<float>& samples;
    double rate;
};

} // namespace

std::vector<float> makeTestSignal(int sampleRate, double seconds) {
    std::vector<float> samples(static_cast<std::size_t>(std::llround(seconds * sampleRate)), 0.0f);
    SignalWriter writer(samples, sampleRate);
    writer.addClicks();
    writer.addChord();
    writer.addSweep();
    return samples;
}
