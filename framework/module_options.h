// What differs between the plug-in modules built on this framework, besides the
// revision of the classes (FX_FRAMEWORK_REVISION, fixed at compile time because it
// changes the classes' virtual operations).
//
// Each module defines `moduleOptions()` once, next to its `createEffect`.
#pragma once

#include <cstdint>

struct ModuleOptions {
    // Shown by dB2string for zero or negative values: exactly 8 characters.
    const char* minusInfinityText;
    // `uniqueID` that the base constructor writes before the effect sets its own.
    std::int32_t defaultUniqueId;
    // The number formatter divides by 10.0 instead of multiplying by 0.1. The texts are
    // the same; the arithmetic is kept as each module had it.
    bool formatterDividesByTen;
    // Additions that 64-bit hosts need: `flagCanReplacing` always declared, a
    // processReplacing for every effect, and an answer to opcode 26.
    bool hostCompatibility;
};

// Minus-infinity texts in use: a minus sign and one or two degree signs (byte 0xB0), or
// "-oo", centred in 8 characters.
inline constexpr char kMinusInfinityDegree[] = "   -\xB0   ";
inline constexpr char kMinusInfinityDoubleDegree[] = "   -\xB0\xB0  ";
inline constexpr char kMinusInfinityLetters[] = "  -oo   ";

// The 64-bit hosts' additions are on wherever pointers are 64-bit.
inline constexpr bool kHostCompatibilityByDefault = sizeof(void*) == 8;

const ModuleOptions& moduleOptions();
