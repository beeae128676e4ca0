#include "tools/listen/ListenText.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/Cp932.h"

namespace tevra {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD, what the converter gives for non-CP932

void AppendEscaped(std::string& out, unsigned char byte) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", byte);
  out.append(buf);
}

bool ParseLong(const std::string& text, long min, long max, long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  value = v;
  return true;
}

bool ParseSeconds(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  // Up to a year: longer waits are better left without a limit.
  if (*end != '\0' || !std::isfinite(v) || v <= 0 || v > 366.0 * 86400) return false;
  value = v;
  return true;
}

}  // namespace

std::string ListenText(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::size_t i = 0; i < bytes.size();) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x20 || c == 0x7F) {
      AppendEscaped(out, c);
      ++i;
    } else if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
    } else {
      const std::size_t length = IsCp932LeadByte(c) && i + 1 < bytes.size() ? 2 : 1;
      const std::string utf8 = Cp932ToUtf8(bytes.substr(i, length));
      if (utf8.find(kReplacement) != std::string::npos) {
        // Not a character: show the first byte and look at the next one afresh.
        AppendEscaped(out, c);
        ++i;
      } else {
        out.append(utf8);
        i += length;
      }
    }
  }
  return out;
}

TResult<TListenOptions> ParseListenOptions(int argc, const char* const* argv) {
  TListenOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    std::string value;
    bool hasValue = false;
    if (const auto eq = name.find('='); eq != std::string::npos && name.rfind("--", 0) == 0) {
      value = name.substr(eq + 1);
      name.resize(eq);
      hasValue = true;
    }
    if (name != "--port" && name != "--count" && name != "--seconds") {
      return TError{"unknown option " + name};
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        return TError{name + " needs a value"};
      }
      value = argv[++i];
    }
    long number = 0;
    if (name == "--port") {
      if (!ParseLong(value, 1, 65535, number)) {
        return TError{"--port wants 1 to 65535, not '" + value + "'"};
      }
      options.Port = static_cast<int>(number);
    } else if (name == "--count") {
      if (!ParseLong(value, 1, 1000000000L, number)) {
        return TError{"--count wants a positive number, not '" + value + "'"};
      }
      options.Count = number;
    } else if (!ParseSeconds(value, options.Seconds)) {
      return TError{"--seconds wants a positive number of seconds, not '" + value + "'"};
    }
  }
  return options;
}

}  // namespace tevra
