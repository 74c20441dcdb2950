// libFuzzer target: drives one plug-in module (path in FX_FUZZ_PLUGIN) through the
// calls a careless or hostile host could make, decoded from the input bytes. The
// sanitizers do the checking; this file adds a check that the record the host reads
// keeps its identity and entry points whatever is called.
//
// Every input gets a fresh instance, started as hosts start one (open, 44100 Hz, blocks
// of 4096, resume), and closed at its end; close is never sent otherwise.
//
// Input layout, read front to back; missing bytes read as zero, and the input ends when
// the bytes do. Each operation starts with a byte whose value modulo 5 selects:
//   0 dispatch     opcode byte (value % 43 - 2, so -2..40; 1 is skipped), index, value,
//                  opt, then what the opcode needs (see dispatch())
//   1 setParameter index, float
//   2 getParameter index
//   3 process      frames (16 bits, modulo the declared block size + 1), a byte whose
//                  bit 0 makes input i share output i's buffer, a content for each
//                  output channel and then for each input channel (see fill())
//   4 processReplacing, laid out as process; skipped unless the record has
//                  flagCanReplacing
// With FX_FUZZ_TRACE set in the environment, each decoded operation is printed to
// stderr, which turns a crashing input into the host calls that caused it.
#include "plugin_host.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kMaxFrames = 4096;
constexpr std::size_t kTextBuffer = 64; // heap-allocated, so that longer writes are caught
constexpr int kMaxChannels = 64;        // sanity bound on what a record may declare

std::string modulePath;
std::unique_ptr<fxhost::Plugin> resident; // keeps the module mapped between inputs
bool tracing = false;

[[gnu::format(printf, 1, 2)]] void trace(const char* format, ...) {
    if (!tracing) return;
    std::va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fx_fuzz: %s (%s)\n", what, modulePath.c_str());
    std::abort();
}

// The values that break arithmetic: non-numbers, infinities, values far outside 0..1,
// subnormals, the edges of the range and its middle.
const float kFloats[] = {
    std::numeric_limits<float>::quiet_NaN(),
    -std::numeric_limits<float>::quiet_NaN(),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
    1e30f,
    -1e30f,
    std::numeric_limits<float>::max(),
    std::numeric_limits<float>::lowest(),
    -1.0f,
    -0.5f,
    -std::numeric_limits<float>::denorm_min(),
    std::numeric_limits<float>::denorm_min(),
    std::numeric_limits<float>::min() / 2.0f,
    std::numeric_limits<float>::min(),
    0.0f,
    -0.0f,
    1e-7f,
    0.25f,
    0.5f,
    0.9f,
    0.9999999f,
    1.0f,
    1.0000001f,
    2.0f,
    100.0f,
};
constexpr std::size_t kFloatCount = sizeof kFloats / sizeof kFloats[0];

const float kRates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f, 1.0f, 0.0f, 22050.0f, 8000.0f};
constexpr std::size_t kRateCount = sizeof kRates / sizeof kRates[0];

const FxIntPtr kIntegers[] = {
    0,
    1,
    2,
    -1,
    -2,
    7,
    8,
    15,
    16,
    17,
    31,
    32,
    64,
    127,
    128,
    255,
    256,
    512,
    1024,
    4096,
    4097,
    8192,
    65536,
    std::numeric_limits<std::int32_t>::max(),
    std::numeric_limits<std::int32_t>::min(),
    FxIntPtr(1) << 32,
    -(FxIntPtr(1) << 32),
    std::numeric_limits<FxIntPtr>::max(),
    std::numeric_limits<FxIntPtr>::min(),
};
constexpr std::size_t kIntegerCount = sizeof kIntegers / sizeof kIntegers[0];

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool done() const { return position >= size; }

    std::uint8_t byte() { return position < size ? data[position++] : 0; }

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | byte() << 8); }

    template <class T> T raw() {
        unsigned char bytes[sizeof(T)];
        for (auto& b : bytes)
            b = byte();
        T value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }

    // A table value, any bit pattern, or an ordinary value in 0..1.
    float real() {
        const unsigned b = byte();
        if (b < kFloatCount) return kFloats[b];
        if (b < 192) return raw<float>();
        return static_cast<float>(u16()) / 65535.0f;
    }

    float rate() {
        const unsigned b = byte();
        return b & 1 ? kRates[(b >> 1) % kRateCount] : real();
    }

    // -5..count+4 mostly, any 32-bit value sometimes.
    std::int32_t index(int count) {
        const unsigned b = byte();
        if (b == 255) return raw<std::int32_t>();
        return static_cast<std::int32_t>(b % static_cast<unsigned>(std::max(count, 0) + 10)) - 5;
    }

    // A table value, a small number, or any 64-bit value.
    FxIntPtr integer() {
        const unsigned b = byte();
        if (b < kIntegerCount) return kIntegers[b];
        if (b < 224) return static_cast<FxIntPtr>(b) - 64;
        return raw<FxIntPtr>();
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// The parts of the record a host relies on after loading: if any of them changes, the
// plug-in has written where it should not.
struct RecordIdentity {
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    ProcessProc processReplacing;
    void* object;
    void* user;

    explicit RecordIdentity(const AEffect& e)
        : magic(e.magic), dispatcher(e.dispatcher), process(e.process),
          setParameter(e.setParameter), getParameter(e.getParameter),
          processReplacing(e.processReplacing), object(e.object), user(e.user) {}

    bool operator==(const RecordIdentity&) const = default;
};

class Session {
public:
    explicit Session(std::unique_ptr<fxhost::Plugin> instance)
        : plugin(std::move(instance)), identity(plugin->record()) {
        plugin->open();
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(kMaxFrames);
        plugin->resume();
        check();
    }

    void run(Reader& in) {
        while (!in.done()) {
            switch (in.byte() % 5) {
            case 0:
                dispatch(in);
                break;
            case 1: {
                const std::int32_t index = in.index(plugin->numParams());
                const float value = in.real();
                trace("setParameter(%d, %g)\n", index, double(value));
                plugin->setParameter(index, value);
                break;
            }
            case 2: {
                const std::int32_t index = in.index(plugin->numParams());
                trace("getParameter(%d)\n", index);
                volatile float value = plugin->parameter(index);
                (void)value;
                break;
            }
            case 3:
                process(in, false);
                break;
            default:
                process(in, true);
                break;
            }
            check();
        }
    }

private:
    void check() {
        if (!(RecordIdentity(plugin->record()) == identity))
            fail("the plug-in overwrote its record's identity or entry points");
    }

    void dispatch(Reader& in) {
        const std::int32_t opcode = static_cast<std::int32_t>(in.byte() % 43) - 2;
        const std::int32_t index = in.index(plugin->numParams());
        FxIntPtr value = in.integer();
        float opt = in.real();
        if (opcode == opClose) {
            trace("dispatch(1) skipped: close only ends an input\n");
            return;
        }

        std::vector<char> buffer; // what `ptr` points into, sized exactly
        void* ptr = nullptr;
        const char* pointed = "null";
        ERect* rect = nullptr;
        void* chunk = nullptr;
        switch (opcode) {
        case opSetProgramName: {
            const std::size_t length = in.u16() % 301u;
            buffer.resize(length + 1);
            for (std::size_t i = 0; i < length; ++i) {
                const char c = static_cast<char>(in.byte());
                buffer[i] = c ? c : '?';
            }
            buffer[length] = 0;
            ptr = buffer.data();
            pointed = "name";
            break;
        }
        case opGetProgramName:
        case opGetParamLabel:
        case opGetParamDisplay:
        case opGetParamName:
            buffer.assign(kTextBuffer, '\x01');
            ptr = buffer.data();
            pointed = "text buffer";
            break;
        case opSetSampleRate:
            opt = in.rate();
            break;
        case opEditGetRect:
            ptr = &rect;
            pointed = "rectangle pointer";
            break;
        case opEditOpen:
            break; // no parent window
        case opGetChunk:
            ptr = &chunk;
            pointed = "chunk pointer";
            break;
        case opSetChunk: {
            buffer.resize(in.byte() % 65u);
            for (char& c : buffer)
                c = static_cast<char>(in.byte());
            value = static_cast<FxIntPtr>(buffer.size());
            ptr = buffer.data();
            pointed = "chunk";
            break;
        }
        case opOpen:
        case opSetProgram:
        case opGetProgram:
        case opGetVu:
        case opSetBlockSize:
        case opSuspendResume:
        case opEditClose:
        case opEditIdle:
        case opIdentify:
        case opCanBeAutomated:
            break;
        default:
            // Opcodes this framework does not know: some hosts send an address with them.
            if (in.byte() & 1) {
                buffer.assign(kTextBuffer, 0);
                ptr = buffer.data();
                pointed = "zeroed buffer";
            }
            break;
        }

        trace("dispatch(%d, index %d, value %lld, ptr %s (%zu bytes), opt %g)", opcode, index,
              static_cast<long long>(value), pointed,
              ptr == nullptr         ? 0
              : ptr == buffer.data() ? buffer.size()
                                     : sizeof(void*),
              double(opt));
        if (opcode == opSetProgramName) trace(" name \"%s\"", buffer.data());
        const FxIntPtr result = plugin->dispatch(opcode, index, value, ptr, opt);
        trace(" -> %lld\n", static_cast<long long>(result));

        if (opcode == opSetBlockSize)
            maxFrames = static_cast<int>(std::clamp<FxIntPtr>(value, 0, kMaxFrames));
        // What the plug-in hands back must be readable as far as it says.
        if (rect) {
            volatile std::int16_t sum =
                static_cast<std::int16_t>(rect->top + rect->left + rect->bottom + rect->right);
            (void)sum;
        }
        if (opcode == opGetChunk && chunk && result > 0) {
            const auto* bytes = static_cast<const volatile unsigned char*>(chunk);
            unsigned sum = 0;
            for (FxIntPtr i = 0; i < std::min<FxIntPtr>(result, FxIntPtr(1) << 26); ++i)
                sum += bytes[i];
            (void)sum;
        }
    }

    // A channel's samples: silence, a constant, noise, a repeated pattern or an impulse.
    static void fill(Reader& in, float* samples, int frames) {
        const unsigned mode = in.byte() % 5u;
        switch (mode) {
        case 0:
            std::fill(samples, samples + frames, 0.0f);
            break;
        case 1:
            std::fill(samples, samples + frames, in.real());
            break;
        case 2: {
            const float level = in.real();
            std::uint32_t state = in.byte();
            for (int i = 0; i < frames; ++i) {
                state = state * 1664525u + 1013904223u;
                samples[i] = level * (static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f);
            }
            break;
        }
        case 3: {
            float pattern[16];
            const unsigned length = in.byte() % 16u + 1u;
            for (unsigned i = 0; i < length; ++i)
                pattern[i] = in.real();
            for (int i = 0; i < frames; ++i)
                samples[i] = pattern[static_cast<unsigned>(i) % length];
            break;
        }
        default: {
            const float value = in.real();
            const int at = in.u16();
            std::fill(samples, samples + frames, 0.0f);
            if (frames > 0) samples[at % frames] = value;
            break;
        }
        }
        static const char* const kModes[] = {"zeros", "constant", "noise", "pattern", "impulse"};
        trace(" %s", kModes[mode]);
    }

    void process(Reader& in, bool replacing) {
        const int frames = in.u16() % (maxFrames + 1);
        const bool inPlace = in.byte() & 1;
        const int inputs = plugin->numInputs();
        const int outputs = plugin->numOutputs();
        if (inputs < 0 || outputs < 0 || inputs > kMaxChannels || outputs > kMaxChannels)
            fail("the record declares an impossible number of channels");
        if (replacing && !plugin->canReplace()) {
            trace("processReplacing skipped: no flagCanReplacing\n");
            return;
        }

        // Every channel its own heap block of exactly `frames` samples, so that any access
        // past the block is caught; in place, input i is output i's block.
        std::vector<std::unique_ptr<float[]>> blocks;
        std::vector<float*> ins(static_cast<std::size_t>(std::max(inputs, 1)), nullptr);
        std::vector<float*> outs(static_cast<std::size_t>(std::max(outputs, 1)), nullptr);
        trace("%s(%d frames%s) outputs:", replacing ? "processReplacing" : "process", frames,
              inPlace ? ", in place" : "");
        for (int o = 0; o < outputs; ++o) {
            blocks.emplace_back(new float[static_cast<std::size_t>(frames)]);
            outs[o] = blocks.back().get();
            fill(in, outs[o], frames);
        }
        trace(" inputs:");
        for (int i = 0; i < inputs; ++i) {
            if (inPlace && i < outputs) {
                ins[i] = outs[i];
            } else {
                blocks.emplace_back(new float[static_cast<std::size_t>(frames)]);
                ins[i] = blocks.back().get();
            }
            fill(in, ins[i], frames);
        }
        trace("\n");

        if (replacing)
            plugin->processReplacing(ins.data(), outs.data(), frames);
        else
            plugin->process(ins.data(), outs.data(), frames);
    }

    std::unique_ptr<fxhost::Plugin> plugin;
    RecordIdentity identity;
    int maxFrames = kMaxFrames;
};

std::unique_ptr<fxhost::Plugin> loadInstance() {
    try {
        return fxhost::Plugin::load(modulePath);
    } catch (const fxhost::LoadError& e) {
        std::fprintf(stderr, "fx_fuzz: %s\n", e.what());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* path = std::getenv("FX_FUZZ_PLUGIN");
    if (!path || !*path) {
        std::fprintf(stderr, "fx_fuzz: set FX_FUZZ_PLUGIN to the plug-in module to fuzz\n");
        std::exit(2);
    }
    modulePath = path;
    tracing = std::getenv("FX_FUZZ_TRACE") != nullptr;
    // Every input creates an instance: message boxes would wait for OK each time.
    setenv("FX_MESSAGE_BOX", "off", 0);
    resident = loadInstance();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    trace("--- input of %zu bytes\n", size);
    Session session(loadInstance());
    session.run(in);
    return 0;
}
