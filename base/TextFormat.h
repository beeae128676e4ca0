#pragma once
// Formatting into a std::string, for the program's fixed-format texts.
#include <string>
#include <string_view>

namespace tevra {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text for an XML element or a quoted attribute: markup characters as entities, and control
// characters, which XML 1.0 does not allow, as blanks.
std::string XmlEscaped(std::string_view text);

// `text` with each line break (CR or LF) replaced by `separator`, for outputs of one line each.
std::string OnOneLine(std::string text, std::string_view separator);

}  // namespace tevra
