// Strict number parsing for command-line values: the whole text must be the number, with
// no spaces, signs in the wrong place or trailing characters.
#pragma once

#include <optional>
#include <string_view>

std::optional<long long> parseInteger(std::string_view text);

// Any decimal or exponent form; "inf" and "nan" parse too, so callers check isfinite.
std::optional<double> parseNumber(std::string_view text);
