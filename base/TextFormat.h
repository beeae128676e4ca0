#pragma once
// printf-style formatting into a std::string, for the program's fixed-format texts.
#include <string>

namespace tevra {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tevra
