// One period of a raised cosine in 512 entries, entry i = (1 - cos(i x 0.0122718)) / 2:
// 0 at entry 0, 1 at entry 256, back near 0 at entry 511. One table serves every instance
// in the module; it is built once, by the first instance, and never written again, so
// instances created on several threads at once all read finished entries.
#pragma once

#include <cmath>

namespace swirl {

class CosTable {
public:
    static constexpr int kLength = 512;

    // Any thread; the first call builds the table (a function-local static is built
    // exactly once, however many threads ask at the same time).
    static const CosTable& shared() {
        static const CosTable table;
        return table;
    }

    // Entries 0 to kLength; the extra entry continues the formula, so that a sweep
    // interpolating from the last entry stays inside the table.
    float operator[](int index) const { return entries[index]; }

private:
    CosTable() {
        for (int i = 0; i <= kLength; ++i)
            entries[i] = static_cast<float>((1.0 - std::cos(double(i) * 0.0122718)) * 0.5);
    }

    float entries[kLength + 1];
};

} // namespace swirl
