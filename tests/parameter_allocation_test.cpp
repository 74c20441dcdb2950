// A parameter change never allocates: the host's main thread changes parameters while
// its audio thread processes, so a change that replaced a buffer could free it under the
// audio thread. The effect (FX_EFFECT_NAME) is linked into this program, whose operator
// new counts every allocation; only a sample-rate change may allocate.

#include "module_entry.h"
#include "plugin_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> allocations{0};

// Out of line, so that the compiler does not pair the malloc here with the frees there.
[[gnu::noinline]] void* counted(std::size_t size) {
    ++allocations;
    return std::malloc(size ? size : 1);
}
[[gnu::noinline]] void release(void* p) { std::free(p); }
} // namespace

void* operator new(std::size_t size) {
    if (void* p = counted(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return counted(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

TEST(ParameterAllocation, NoParameterValueOrProgramAllocatesAtAnyRate) {
    auto plugin = fxhost::Plugin::attach(FX_EFFECT_NAME, runMain);
    const int numIn = plugin->numInputs(), numOut = plugin->numOutputs();
    std::vector<std::vector<float>> ins(numIn, std::vector<float>(256, 0.25f));
    std::vector<std::vector<float>> outs(numOut, std::vector<float>(256, 0.0f));
    std::vector<float*> inPointers, outPointers;
    for (auto& c : ins) inPointers.push_back(c.data());
    for (auto& c : outs) outPointers.push_back(c.data());

    for (float rate : {8000.0f, 44100.0f, 192000.0f, 384000.0f, 44100.0f}) {
        plugin->setSampleRate(rate); // may allocate: the buffers for this rate
        plugin->resume();
        const long before = allocations.load();
        for (float value : {0.0f, 0.3f, 1.0f, NAN, 7.0f, 0.5f}) {
            for (int i = 0; i < plugin->numParams(); ++i) {
                plugin->setParameter(i, value);
                plugin->process(inPointers.data(), outPointers.data(), 256);
            }
            plugin->setProgram(1);
            plugin->setProgram(0);
        }
        plugin->suspend();
        EXPECT_EQ(allocations.load() - before, 0) << "at " << rate << " Hz";
    }
}

} // namespace
