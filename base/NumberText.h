#pragma once
// Number texts of the settings files and sensor frames, independent of the C library's locale:
// the GUI may switch LC_NUMERIC to a comma-decimal locale, and that must never change a file.
#include <string>
#include <string_view>

namespace tevra {

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
