#pragma once
// Readers and writers of numbers in the program's own files, settings and sensor frames, never
// through the C library's locale: the GUI may switch LC_NUMERIC to a comma-decimal locale, and
// that must never change a file. Strict readers take the whole text or nothing (no blanks, no
// '+'); the prefix readers follow atol/atof, as the settings files and frames expect.
#include <cstddef>
#include <string>
#include <string_view>

namespace tevra {

// A finite number that is all of `text` (no nan, inf or overflow).
bool ParseFinite(std::string_view text, double& value);
// A whole decimal integer from `low` to `high`; `value` is left as it was otherwise.
bool ParseInteger(std::string_view text, int low, int high, int& value);
// Exactly `count` decimal digits at `at` of `text`.
bool ParseDigits(std::string_view text, std::size_t at, std::size_t count, int& value);

// `atol` rules: leading white space, an optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond the int range are clamped to it.
int ParseLongPrefix(std::string_view text);

// `atof` rules restricted to decimal notation: leading white space, the longest prefix of the form
// [sign] digits [. digits] [e [sign] digits]; no such prefix gives 0.0. Hexadecimal and the words
// inf/nan are not numbers here, so a stray text can never yield NaN.
double ParseDecimalPrefix(std::string_view text);

// "%d" and "%f" (six decimals), always with a '.' as the decimal point.
std::string FormatInt(int value);
std::string FormatFixed6(double value);

}  // namespace tevra
