#pragma once
// Readers of numbers in the program's own files and settings: the whole text or nothing, no
// blanks, no '+', never the locale.
#include <cstddef>
#include <string_view>

namespace tevra {

// A finite number that is all of `text` (no nan, inf or overflow).
bool ParseFinite(std::string_view text, double& value);
// A whole decimal integer from `low` to `high`; `value` is left as it was otherwise.
bool ParseInteger(std::string_view text, int low, int high, int& value);
// Exactly `count` decimal digits at `at` of `text`.
bool ParseDigits(std::string_view text, std::size_t at, std::size_t count, int& value);

}  // namespace tevra
