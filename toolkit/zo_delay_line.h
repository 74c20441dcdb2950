// The toolkit's delay lines: ZoDelayLine delays by whole samples, ZoModDelayLine by a
// fractional delay that may change every sample, read with linear interpolation.
//
// The ring is a power of two (positions are reduced with one bitwise and), allocated in
// the constructor and only ever grown, never shrunk. Growing allocates, so effects size
// their rings from sampleRateChanged for the longest delay their parameters can ask and
// a parameter change then never needs a larger ring.
#pragma once

#include "zo_audio_part.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>

namespace zo {

// The size of ring that holds a delay of n samples: the smallest power of two strictly
// greater than n, at least 128 and at most 262144.
constexpr std::int32_t ringSizeFor(std::int32_t n) {
    std::int32_t size = 128;
    while (size <= n && size < 262144)
        size *= 2;
    return size;
}

// A count of samples truncated toward zero, for any value: NaN gives 0 and values
// beyond what a ring can tell apart are held at +-2^30 (positions wrap modulo the ring
// anyway), so the conversion never overflows.
inline std::int32_t wholeSamples(double samples) {
    if (!(samples == samples)) return 0;
    constexpr double kLimit = 1073741824.0;
    if (samples >= kLimit) return static_cast<std::int32_t>(kLimit);
    if (samples <= -kLimit) return -static_cast<std::int32_t>(kLimit);
    return static_cast<std::int32_t>(samples);
}

// floor() for values well inside the int32 range, without a library call.
inline std::int32_t floorToInt(double value) {
    const auto truncated = static_cast<std::int32_t>(value);
    return value < truncated ? truncated - 1 : truncated;
}

// The ring slot n places behind a position, for any n (wrapping arithmetic, never an
// overflow).
inline std::int32_t slotBehind(std::int32_t position, std::int32_t n, std::int32_t mask) {
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(position) - static_cast<std::uint32_t>(n)) &
        static_cast<std::uint32_t>(mask));
}

// A ring's slot at a position already reduced to the ring (never negative), indexed
// without widening a signed position.
inline float& at(float* ring, std::int32_t position) {
    return ring[static_cast<std::uint32_t>(position)];
}

// Every prime from 3 to 65537, ascending (6542 entries), built once per module.
inline const std::array<std::int32_t, 6542>& primeTable() {
    static const auto table = [] {
        constexpr int kLast = 65537;
        std::array<bool, kLast + 1> composite{};
        std::array<std::int32_t, 6542> primes{};
        std::size_t count = 0;
        for (int n = 2; n <= kLast; ++n) {
            if (composite[n]) continue;
            if (n > 2 && count < primes.size()) primes[count++] = n;
            for (long m = static_cast<long>(n) * n; m <= kLast; m += n)
                composite[static_cast<std::size_t>(m)] = true;
        }
        return primes;
    }();
    return table;
}

class ZoDelayLine : public ZoAudioPart {
public:
    static constexpr std::int32_t kLargestRing = 262144;

    // Main thread. A ring of 32768 samples, cleared.
    ZoDelayLine() { allocate(28800); }
    ~ZoDelayLine() { delete[] buffer; }
    ZoDelayLine(const ZoDelayLine&) = delete;
    ZoDelayLine& operator=(const ZoDelayLine&) = delete;

    // Main thread: construction, suspend and sample-rate changes.
    void reset() override { clear(); }
    void recalc() override {}
    void dump() override {
        dumpHeader("-->ZoAudioPart");
        debugPrint("\n");
        dumpField("delayInMilliSecs", static_cast<double>(delayInMilliSecs));
        debugPrint("\t");
        dumpField("delayInSamples", delayInSamples);
        debugPrint("\n");
        dumpField("delayLinePos", delayLinePos);
        debugPrint("\t");
        dumpField("currentSamplePos", currentSamplePos);
        debugPrint("\n");
    }
    // Rounds the delay up to a prime (a delay above the largest prime, 65537, stays as
    // it is) and restarts the positions.
    virtual void applyPrimeDelay() {
        const auto& primes = primeTable();
        const auto prime = std::lower_bound(primes.begin(), primes.end(), delayInSamples);
        if (prime != primes.end()) delayInSamples = *prime;
        if (delayInSamples > bufferSize) allocate(delayInSamples);
        restartPositions();
    }

    void clear() {
        if (buffer) std::fill(buffer, buffer + bufferSize, 0.0f);
    }

    // Main thread; allocates when the ring must grow. Makes the ring hold a delay of
    // minSamples: a larger, cleared ring replaces a smaller one. When memory runs out the
    // old ring stays.
    void allocate(std::int32_t minSamples) {
        const std::int32_t size = ringSizeFor(minSamples);
        if (size <= bufferSize) return;
        float* grown = new (std::nothrow) float[static_cast<std::size_t>(size) + 2];
        if (!grown) return;
        std::fill(grown, grown + size + 2, 0.0f);
        delete[] buffer;
        buffer = grown;
        bufferSize = size;
        mask = size - 1;
    }
    // Whether the constructor got its ring; an effect without one must not be handed out.
    bool isAllocated() const { return buffer != nullptr; }

    // Main thread. A delay of n whole samples, from the next tick on.
    void setDelaySamples(std::int32_t n) {
        if (n > bufferSize) allocate(n);
        delayInSamples = n;
        restartPositions();
    }
    void setDelayMs(float ms) {
        delayInMilliSecs = ms;
        setDelaySamples(wholeSamples(static_cast<double>(ms) / getMsPerSample()));
    }

    // The input of delayInSamples samples earlier.
    float tick(float x) {
        Cursor c = cursor();
        const float y = c.tick(x);
        keep(c);
        return y;
    }

    // The ring and its positions as locals of an effect's sample loop. The read position
    // follows from the write position and the delay, so a delay change made while a block
    // is processed is heard from the next block on.
    struct Cursor {
        float* ring;
        std::int32_t mask;
        std::int32_t write;
        std::int32_t read;

        float tick(float x) {
            write = (write + 1) & mask;
            read = (read + 1) & mask;
            at(ring, write) = x;
            return at(ring, read);
        }
    };
    Cursor cursor() const {
        return {buffer, mask, currentSamplePos, slotBehind(currentSamplePos, delayInSamples, mask)};
    }
    void keep(const Cursor& c) {
        currentSamplePos = c.write;
        delayLinePos = c.read;
    }

    std::int32_t size() const { return bufferSize; }
    const float* ring() const { return buffer; }

    float delayInMilliSecs = 0.0f;
    std::int32_t delayInSamples = 0;
    std::int32_t delayLinePos = 0;     // read position
    std::int32_t currentSamplePos = 0; // write position

protected:
    // The write position one slot before slot 0, the read position delayInSamples behind.
    void restartPositions() {
        currentSamplePos = mask;
        delayLinePos = slotBehind(currentSamplePos, delayInSamples, mask);
    }

    std::int32_t bufferSize = 0;
    float* buffer = nullptr; // bufferSize + 2 floats; the two extra are never addressed
    std::int32_t mask = -1;
};

class ZoModDelayLine : public ZoDelayLine {
public:
    // Main thread.
    ZoModDelayLine() = default;

    using ZoDelayLine::keep;

    // Either thread. The delay in samples for the next tickInterpolated. Values must lie
    // well inside the int32 range (the effects keep them below the ring size).
    void setFractionalDelay(float d) {
        delayTotal = d;
        delayInSamples = floorToInt(d);
        delayWhole = static_cast<float>(delayInSamples);
    }

    // The input of delayTotal samples earlier, interpolated between the two neighbouring
    // whole-sample delays; a delay of 0 returns x itself.
    float tickInterpolated(float x) {
        ModCursor c = modCursor();
        const float y = c.tickInterpolated(x);
        keep(c);
        return y;
    }

    struct ModCursor {
        float* ring;
        std::int32_t mask;
        std::int32_t write;
        std::int32_t read;
        std::int32_t whole;
        float wholeAsFloat;
        float total;

        void setFractionalDelay(float d) { setDelay(fractionalDelay(d)); }

        // setFractionalDelay in two halves, for an effect that works out the delays of
        // many samples before it runs them through the line.
        struct Delay {
            float total;
            std::int32_t whole;
            float wholeAsFloat;
        };
        static Delay fractionalDelay(float d) {
            const std::int32_t whole = floorToInt(d);
            return {d, whole, static_cast<float>(whole)};
        }
        void setDelay(const Delay& d) {
            total = d.total;
            whole = d.whole;
            wholeAsFloat = d.wholeAsFloat;
        }
        float tickInterpolated(float x) {
            return tickInterpolatedAt(x, total, whole, wholeAsFloat);
        }
        // tickInterpolated for a delay worked out ahead, without making it the cursor's
        // own: an effect's loop then keeps no more than the one it ends with.
        float tickInterpolated(float x, const Delay& d) {
            return tickInterpolatedAt(x, d.total, d.whole, d.wholeAsFloat);
        }
        // tickInterpolated without the interpolation itself, for an effect that
        // interpolates two lines at once: writes x, then fetches the samples delayTotal
        // rounded down and one more samples behind it.
        void writeAndFetch(float x, float& nearer, float& farther) {
            writeAndFetchBehind(x, whole, nearer, farther);
        }
        void writeAndFetchBehind(float x, std::int32_t behind, float& nearer, float& farther) {
            const std::int32_t r = slotBehind(write, behind, mask);
            at(ring, write) = x; // written before it is read: a delay of 0 returns x
            nearer = at(ring, r);
            farther = at(ring, (r - 1) & mask);
            read = r - 1;
            write = (write + 1) & mask;
        }

    private:
        float tickInterpolatedAt(float x, float delayTotal, std::int32_t delayWhole,
                                 float delayWholeAsFloat) {
            const double f = delayTotal - delayWholeAsFloat;
            float nearer, farther;
            writeAndFetchBehind(x, delayWhole, nearer, farther);
            return static_cast<float>(nearer * (1.0 - f) + farther * f);
        }
    };
    ModCursor modCursor() const {
        return {buffer,         mask,       currentSamplePos, delayLinePos,
                delayInSamples, delayWhole, delayTotal};
    }
    void keep(const ModCursor& c) {
        currentSamplePos = c.write & mask;
        delayLinePos = c.read;
        delayInSamples = c.whole;
        delayWhole = c.wholeAsFloat;
        delayTotal = c.total;
    }

    float delayWhole = 0.0f;
    float delayTotal = 0.0f;
};

} // namespace zo
