// Two doubles processed by one instruction: the effects with two identical chains (the
// left and right voices of jetstream) run both through the same steps at once. Each lane
// is computed exactly as the scalar double arithmetic would compute it.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zo {

using Pair = double __attribute__((vector_size(16)));
using PairMask = std::int64_t __attribute__((vector_size(16)));
using FloatPair = float __attribute__((vector_size(8)));
using IntPair = std::int32_t __attribute__((vector_size(8)));

inline Pair pairOf(double first, double second) {
    return Pair{first, second};
}
inline Pair both(double value) {
    return Pair{value, value};
}

// Each lane rounded to single precision, as storing it in a float field would.
inline Pair storedAsFloat(Pair v) {
#if defined(__SSE2__)
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
#else
    return __builtin_convertvector(__builtin_convertvector(v, FloatPair), Pair);
#endif
}

// Each lane truncated toward zero (the lanes must lie inside the int32 range), and the
// same whole numbers as doubles.
inline IntPair truncated(Pair v) {
    return __builtin_convertvector(v, IntPair);
}
inline Pair asPair(IntPair v) {
    return __builtin_convertvector(v, Pair);
}

inline Pair magnitude(Pair v) {
    const PairMask noSign = {INT64_MAX, INT64_MAX};
    return reinterpret_cast<Pair>(reinterpret_cast<PairMask>(v) & noSign);
}

// Lanes where the mask is set take `chosen`, the others `otherwise`.
inline Pair select(PairMask mask, Pair chosen, Pair otherwise) {
    return reinterpret_cast<Pair>((mask & reinterpret_cast<PairMask>(chosen)) |
                                  (~mask & reinterpret_cast<PairMask>(otherwise)));
}

// Whether any lane of the mask is set.
inline bool anyLane(PairMask mask) {
#if defined(__SSE2__)
    return _mm_movemask_pd(reinterpret_cast<__m128d>(mask)) != 0;
#else
    return (mask[0] | mask[1]) != 0;
#endif
}

} // namespace zo
