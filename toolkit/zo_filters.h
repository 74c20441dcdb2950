// The toolkit's filters: ZoFilter with its bypass flag and cutoff; the one-pole pair
// ZoOnePole/ZoLowPass (one stage, or two in series) and the biquad ZoBiquad/ZoHighPass
// (second-order Butterworth high-pass). Coefficients change only in setCutoff; a new
// sampling rate takes effect with the next setCutoff.
#pragma once

#include "zo_audio_part.h"

#include <cmath>
#include <cstdint>

namespace zo {

class ZoFilter : public ZoAudioPart {
public:
    ZoFilter() { bypass = 0; }

    // Main thread.
    virtual void setCutoff(float) {}

    bool bypassed() const { return bypass != 0; }

    float cutoff = 0.0f; // hertz

protected:
    ~ZoFilter() = default;
};

class ZoOnePole : public ZoFilter {
public:
    void reset() override {
        firstState = 0.0f;
        secondState = 0.0f;
    }

    // The coefficients and states as locals of an effect's sample loop (the coefficients
    // widened once, not on every sample).
    struct Kernel {
        double a;
        double b;
        float firstState;
        float secondState;
        bool bypassed;

        // One stage, flushed to 0.0 once it has decayed below 1e-8.
        float oneStage(float x) {
            if (bypassed) return x;
            secondState = static_cast<float>(b * secondState + a * x);
            if (std::fabs(secondState) < 1e-8f) secondState = 0.0f;
            return secondState;
        }
        // Two stages in series, the second fed by the first.
        float twoStage(float x) {
            if (bypassed) return x;
            return twoStageFiltering(x);
        }
        // twoStage for a loop that has already found the filter in use.
        float twoStageFiltering(float x) {
            secondState = static_cast<float>(b * secondState + a * x);
            firstState = static_cast<float>(a * secondState + b * firstState);
            return firstState;
        }
    };
    Kernel kernel() const { return {a, b, firstState, secondState, bypassed()}; }
    void keep(const Kernel& k) {
        firstState = k.firstState;
        secondState = k.secondState;
    }

    float oneStage(float x) {
        Kernel k = kernel();
        const float y = k.oneStage(x);
        keep(k);
        return y;
    }
    float twoStage(float x) {
        Kernel k = kernel();
        const float y = k.twoStage(x);
        keep(k);
        return y;
    }

    float firstState = 0.0f;
    float a = 0.0f;
    float secondState = 0.0f;
    float b = 0.0f;

protected:
    ~ZoOnePole() = default;
};

class ZoLowPass : public ZoOnePole {
public:
    // Above 9999 Hz the filter passes its input unchanged.
    void setCutoff(float hertz) override {
        bypass = hertz > 9999.0f ? -1 : 0;
        cutoff = hertz;
        const double p = std::exp(double(hertz) / getSamplingRate() * -6.28318530718);
        a = static_cast<float>(1.0 - p);
        b = static_cast<float>(p);
    }
};

class ZoBiquad : public ZoFilter {
public:
    void reset() override { x1 = x2 = y1 = y2 = 0.0f; }

    struct Kernel {
        double a0, a1, a2, b1, b2;
        float x1, x2, y1, y2;
        bool bypassed;

        float step(float x) {
            if (bypassed) return x;
            const float y = static_cast<float>(a0 * x + a1 * x1 + a2 * x2 - b1 * y1 - b2 * y2);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            return y;
        }
    };
    Kernel kernel() const { return {a0, a1, a2, b1, b2, x1, x2, y1, y2, bypassed()}; }
    void keep(const Kernel& k) {
        x1 = k.x1;
        x2 = k.x2;
        y1 = k.y1;
        y2 = k.y2;
    }

    float step(float x) {
        Kernel k = kernel();
        const float y = k.step(x);
        keep(k);
        return y;
    }

    float tangent = 0.0f;
    float a0 = 0.0f, a1 = 0.0f, a2 = 0.0f;
    float b1 = 0.0f, b2 = 0.0f;
    float x1 = 0.0f, x2 = 0.0f; // last two inputs
    float y1 = 0.0f, y2 = 0.0f; // last two outputs

protected:
    ~ZoBiquad() = default;
};

class ZoHighPass : public ZoBiquad {
public:
    // Below 60 Hz the filter passes its input unchanged.
    void setCutoff(float hertz) override {
        bypass = hertz < 60.0f ? -1 : 0;
        cutoff = hertz;
        tangent = static_cast<float>(std::tan(double(hertz) / getSamplingRate() * 3.14159265359));
        const double c = tangent;
        const double root2 = 1.4142135623730951;
        a0 = static_cast<float>(1.0 / (1.0 + root2 * c + c * c));
        a1 = static_cast<float>(-2.0 * a0);
        a2 = a0;
        b1 = static_cast<float>(2.0 * (c * c - 1.0) * a0);
        b2 = static_cast<float>((1.0 - root2 * c + c * c) * a0);
    }
};

} // namespace zo
