// The glue between an effect's table of parameter rows and the host's questions. Each
// effect describes its parameters once, as a table of rows holding at least `name` and
// `label`; these operations do the bounds checks, the text answers, the read-back, the
// store-and-apply and the program replay, so that an effect's own code keeps only the
// rules in which it differs. Indices come from hosts: anything outside the table is
// answered with nothing (texts untouched, values 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace params {

inline bool inRange(std::int32_t index, int count) {
    return index >= 0 && index < count;
}

// The row for an index, or null outside the table.
template <class Row, std::size_t N> const Row* rowAt(const Row (&table)[N], std::int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? &table[index] : nullptr;
}

template <class Row, std::size_t N>
void copyName(const Row (&table)[N], std::int32_t index, char* text) {
    if (const Row* row = rowAt(table, index)) std::strcpy(text, row->name);
}

template <class Row, std::size_t N>
void copyLabel(const Row (&table)[N], std::int32_t index, char* text) {
    if (const Row* row = rowAt(table, index)) std::strcpy(text, row->label);
}

// For rows whose `value` names the effect's float field holding the value as last set.
template <class Row, std::size_t N, class Effect>
float fieldValue(const Row (&table)[N], const Effect& effect, std::int32_t index) {
    const Row* row = rowAt(table, index);
    return row ? effect.*(row->value) : 0.0f;
}

// For effects that keep every value as last set in an array, parameter i at i.
template <std::size_t N> float storedValue(const std::array<float, N>& values, std::int32_t index) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? values[index] : 0.0f;
}

// For rows whose `show` formats the display from the effect's state: show(effect, text).
template <class Row, std::size_t N, class Effect>
void showState(const Row (&table)[N], Effect& effect, std::int32_t index, char* text) {
    if (const Row* row = rowAt(table, index)) row->show(effect, text);
}

// The common row: the value is kept as sent in a field of the current program and in a
// field of the effect, a member function derives the effect's state from that field,
// and the display is formatted from the value alone.
template <class Effect, class Program> struct ParameterRow {
    const char* name;
    const char* label;
    float Program::*programValue;
    float Effect::*value;
    void (Effect::*apply)();
    void (*show)(float value, char* text);
};

// Stores a value into the program and the effect and applies it; false outside the table.
template <class Effect, class Program, std::size_t N>
bool storeAndApply(const ParameterRow<Effect, Program> (&table)[N], Effect& effect,
                   Program& program, std::int32_t index, float value) {
    const auto* row = rowAt(table, index);
    if (!row) return false;
    program.*(row->programValue) = value;
    effect.*(row->value) = value;
    (effect.*(row->apply))();
    return true;
}

template <class Effect, class Program, std::size_t N>
void showValue(const ParameterRow<Effect, Program> (&table)[N], const Effect& effect,
               std::int32_t index, char* text) {
    if (const auto* row = rowAt(table, index)) row->show(effect.*(row->value), text);
}

// Sends a program's values through the effect's setParameter in the given order (the
// order matters where one parameter's effect depends on another's). The program is
// taken as a copy, since setParameter writes into the current program.
template <class Effect, class Row, std::size_t N, class Program>
void replayProgram(Effect& effect, const Row (&table)[N], const Program stored,
                   std::initializer_list<int> order) {
    for (int index : order)
        effect.setParameter(index, stored.*(table[index].programValue));
}

// The same for programs that keep their values in an array, parameter i at i + first.
template <class Effect, std::size_t N>
void replayValues(Effect& effect, const std::array<float, N> stored, int first,
                  std::initializer_list<int> order) {
    for (int index : order)
        effect.setParameter(index, stored[index + first]);
}

// Copies a program name into its field, cut to the characters the field can hold.
template <std::size_t Size> void storeName(char (&field)[Size], const char* name) {
    std::strncpy(field, name, Size - 1);
    field[Size - 1] = 0;
}

} // namespace params
