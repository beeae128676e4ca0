// The INI text reader and editor on arbitrary bytes: input = file, section, key and value separated
// by zero bytes. A value that was written must read back; nothing may crash. The line-settings
// parser gets the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/IniText.h"
#include "sensor/LineSettings.h"

namespace {

std::string_view Next(std::string_view& rest) {
  const std::size_t z = rest.find('\0');
  const std::string_view part = rest.substr(0, z);
  rest = z == std::string_view::npos ? std::string_view() : rest.substr(z + 1);
  return part;
}

std::string Expected(std::string_view value) {
  std::string v;
  for (char c : value) v += (c == '\r' || c == '\n') ? ' ' : c;
  const std::size_t first = v.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const std::size_t last = v.find_last_not_of(" \t");
  return v.substr(first, last - first + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::string file(Next(rest));
  const std::string_view section = Next(rest);
  const std::string_view key = Next(rest);
  const std::string_view value = Next(rest);

  std::string_view found;
  tevra::FindIniValue(file, section, key, found);
  const std::string before = file;
  if (tevra::SetIniValue(file, section, key, value)) {
    if (!tevra::FindIniValue(file, section, key, found) || found != Expected(value)) __builtin_trap();
  } else if (file != before) {
    __builtin_trap();
  }
  tevra::TLineSettings settings;
  tevra::BuildLineSettings(std::string_view(reinterpret_cast<const char*>(data), size), settings);
  return 0;
}
