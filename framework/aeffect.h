// The binary record that crosses the boundary between a host and a plug-in, the
// function types on both sides of it, and the numbers both sides agree on.
//
// A host loads the shared library, calls its one export `main` with its callback and
// gets back the address of an AEffect. From then on it reaches the effect only through
// the five entry points stored in the record.
//
// Layout per target:
//  - 32-bit: every field is 4 bytes, no gaps, 144 bytes in all (the original layout).
//  - 64-bit: the same fields in the same order; int32 fields stay 32-bit; the entry
//    points, `object`, `user` and the two reserved fields are pointer-sized; natural
//    alignment; 192 bytes in all. The dispatcher's and the callback's `value` argument
//    and their results are pointer-sized there.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define FX_CDECL __cdecl
#else
#define FX_CDECL
#endif

struct AEffect;

// Pointer-sized integer of the dispatcher's `value` argument and of its result.
using FxIntPtr = std::intptr_t;

// The host's function that a plug-in calls (opcodes below, `HostOpcode`).
using HostCallback = FxIntPtr(FX_CDECL*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                         FxIntPtr value, void* ptr, float opt);

using DispatcherProc = FxIntPtr(FX_CDECL*)(AEffect* effect, std::int32_t opcode,
                                           std::int32_t index, FxIntPtr value, void* ptr,
                                           float opt);
using ProcessProc = void(FX_CDECL*)(AEffect* effect, float** inputs, float** outputs,
                                    std::int32_t sampleFrames);
using SetParameterProc = void(FX_CDECL*)(AEffect* effect, std::int32_t index, float value);
using GetParameterProc = float(FX_CDECL*)(AEffect* effect, std::int32_t index);

// A four-character code as a 32-bit integer: the first character is the most
// significant byte.
constexpr std::int32_t fourCharCode(const char (&c)[5]) {
    return static_cast<std::int32_t>((std::uint32_t(std::uint8_t(c[0])) << 24) |
                                     (std::uint32_t(std::uint8_t(c[1])) << 16) |
                                     (std::uint32_t(std::uint8_t(c[2])) << 8) |
                                     std::uint32_t(std::uint8_t(c[3])));
}

// Identification of the record, checked by every host before it uses it.
constexpr std::int32_t kEffectMagic = 0x56737450;
// Answer of opcode 22.
constexpr std::int32_t kIdentifyAnswer = 0x4E764566;
// `uniqueID` until an effect sets its own.
constexpr std::int32_t kDefaultUniqueId = 0x4E6F4566;

// Capability bits of `AEffect::flags`.
enum EffectFlags : std::int32_t {
    flagHasEditor = 0x1,
    flagHasClip = 0x2,
    flagHasVu = 0x4,
    flagCanMono = 0x8,
    flagCanReplacing = 0x10,
    flagProgramChunks = 0x20,
};

// Opcodes of the record's dispatcher entry.
enum EffectOpcode : std::int32_t {
    opOpen = 0,
    opClose = 1,
    opSetProgram = 2,
    opGetProgram = 3,
    opSetProgramName = 4,
    opGetProgramName = 5,
    opGetParamLabel = 6,
    opGetParamDisplay = 7,
    opGetParamName = 8,
    opGetVu = 9,
    opSetSampleRate = 10,
    opSetBlockSize = 11,
    opSuspendResume = 12,
    opEditGetRect = 13,
    opEditOpen = 14,
    opEditClose = 15,
    opEditIdle = 19,
    opIdentify = 22,
    opGetChunk = 23, // later framework revision only
    opSetChunk = 24, // later framework revision only
    // Asked by 64-bit hosts with a parameter index: 1 when that parameter can be
    // automated. Answered only where the host-compatibility option is on.
    opCanBeAutomated = 26,
};

// Opcodes of the host callback.
enum HostOpcode : std::int32_t {
    hostAutomate = 0,
    hostVersion = 1,
    hostCurrentId = 2,
    hostIdle = 3,
    hostPinConnected = 4,
};

struct AEffect {
    std::int32_t magic;                 //   0 |   0  kEffectMagic
    DispatcherProc dispatcher;          //   4 |   8  all opcodes
    ProcessProc process;                //   8 |  16  accumulating processing
    SetParameterProc setParameter;      //  12 |  24  write one normalised parameter
    GetParameterProc getParameter;      //  16 |  32  read one normalised parameter
    std::int32_t numPrograms;           //  20 |  40
    std::int32_t numParams;             //  24 |  44
    std::int32_t numInputs;             //  28 |  48
    std::int32_t numOutputs;            //  32 |  52
    std::int32_t flags;                 //  36 |  56  EffectFlags
    FxIntPtr reserved1;                 //  40 |  64  never written after construction
    FxIntPtr reserved2;                 //  44 |  72
    std::int32_t initialDelay;          //  48 |  80  latency in samples
    std::int32_t realtimeQualities;     //  52 |  84
    std::int32_t offlineQualities;      //  56 |  88
    float ioRatio;                      //  60 |  92  output to input sample count
    void* object;                       //  64 |  96  the AudioEffect behind the record
    void* user;                         //  68 | 104  the host's; the plug-in never reads it
    std::int32_t uniqueID;              //  72 | 112
    std::int32_t version;               //  76 | 116
    ProcessProc processReplacing;       //  80 | 120  overwriting processing
    char spare[60];                     //  84 | 128  zero
};                                      // 144 | 192 bytes (32-bit | 64-bit offsets)

#define FX_CHECK_OFFSET(field, off32, off64)                                                       \
    static_assert(offsetof(AEffect, field) == (sizeof(void*) == 4 ? (off32) : (off64)),            \
                  "AEffect::" #field " is not where hosts read it")
FX_CHECK_OFFSET(magic, 0, 0);
FX_CHECK_OFFSET(dispatcher, 4, 8);
FX_CHECK_OFFSET(process, 8, 16);
FX_CHECK_OFFSET(setParameter, 12, 24);
FX_CHECK_OFFSET(getParameter, 16, 32);
FX_CHECK_OFFSET(numPrograms, 20, 40);
FX_CHECK_OFFSET(numParams, 24, 44);
FX_CHECK_OFFSET(numInputs, 28, 48);
FX_CHECK_OFFSET(numOutputs, 32, 52);
FX_CHECK_OFFSET(flags, 36, 56);
FX_CHECK_OFFSET(reserved1, 40, 64);
FX_CHECK_OFFSET(reserved2, 44, 72);
FX_CHECK_OFFSET(initialDelay, 48, 80);
FX_CHECK_OFFSET(realtimeQualities, 52, 84);
FX_CHECK_OFFSET(offlineQualities, 56, 88);
FX_CHECK_OFFSET(ioRatio, 60, 92);
FX_CHECK_OFFSET(object, 64, 96);
FX_CHECK_OFFSET(user, 68, 104);
FX_CHECK_OFFSET(uniqueID, 72, 112);
FX_CHECK_OFFSET(version, 76, 116);
FX_CHECK_OFFSET(processReplacing, 80, 120);
FX_CHECK_OFFSET(spare, 84, 128);
#undef FX_CHECK_OFFSET
static_assert(sizeof(AEffect) == (sizeof(void*) == 4 ? 144 : 192), "AEffect has the wrong size");
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "only 32-bit and 64-bit targets");

// The window rectangle an editor hands to the host (opcode 13): pixels of the editor
// window, 8 bytes.
struct ERect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};
static_assert(sizeof(ERect) == 8, "ERect is four 16-bit values");
