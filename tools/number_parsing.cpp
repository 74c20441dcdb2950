#include "number_parsing.h"

#include <charconv>

namespace {

template <typename Number> std::optional<Number> parseWhole(std::string_view text) {
    // from_chars rejects a leading '+', which users type for positive values.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    Number value{};
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

} // namespace

std::optional<long long> parseInteger(std::string_view text) {
    return parseWhole<long long>(text);
}

std::optional<double> parseNumber(std::string_view text) {
    return parseWhole<double>(text);
}
