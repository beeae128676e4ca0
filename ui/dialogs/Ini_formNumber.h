#pragma once
// The port number as the user typed it into the measurement settings dialog.
#include <string_view>

namespace tevra {

// A whole decimal number in the int range: optional blanks around it, an optional sign, digits.
// Anything else ("12a", "", "1.5", a value beyond the int range) is not an integer; `value` is
// then left alone.
bool ParseIntegerText(std::string_view text, int& value);

}  // namespace tevra
