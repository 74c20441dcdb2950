// Subnormal floats cost some processors a hundred times the work of normal ones, and a
// decaying echo passes through them on its way to silence. Every processing call runs
// under this guard, which turns on flush-to-zero and denormals-are-zero for the call
// and gives the caller back its own floating-point mode afterwards.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || defined(__x86_64__)
#include <xmmintrin.h>

class DenormalGuard {
public:
    DenormalGuard() : saved(_mm_getcsr()) { _mm_setcsr(saved | kFlushToZero | kDenormalsAreZero); }
    ~DenormalGuard() { _mm_setcsr(saved); }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved;
};
#else
#error "the processing paths rely on SSE flush-to-zero"
#endif
