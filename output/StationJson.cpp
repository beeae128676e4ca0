#include "output/StationJson.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/DateTimeText.h"
#include "core/Tevra.h"

namespace tevra {

std::string IsoUtcMs(std::int64_t unixMs) {
  const std::int64_t seconds = unixMs >= 0 ? unixMs / 1000 : (unixMs - 999) / 1000;
  const TLocalDateTime t = UtcDateTimeOf(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.Year, t.Month, t.Day, t.Hour,
                t.Minute, t.Second, static_cast<int>(unixMs - seconds * 1000));
  return text;
}

int ClassRank(double intensity) {
  int rank = 0;
  while (rank + 1 < static_cast<int>(kIntensityClasses.size()) &&
         !(intensity <= kIntensityClasses[static_cast<std::size_t>(rank)].UpperBound))
    ++rank;
  return rank;
}

const char* ClassName(double intensity) {
  static constexpr const char* Names[] = {"0", "1", "2", "3", "4", "5-", "5+", "6-", "6+", "7"};
  return Names[ClassRank(intensity)];
}

const char* StateName(TStationState state) {
  switch (state) {
    case TStationState::Measuring:
      return "measuring";
    case TStationState::Reconnecting:
      return "reconnecting";
    case TStationState::Stopped:
      break;
  }
  return "stopped";
}

void TJsonWriter::Separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_) text_ += ',';
  first_ = false;
}

TJsonWriter& TJsonWriter::Begin(char bracket) {
  Separate();
  text_ += bracket;
  first_ = true;
  return *this;
}

TJsonWriter& TJsonWriter::End(char bracket) {
  text_ += bracket;
  first_ = false;
  return *this;
}

TJsonWriter& TJsonWriter::Key(std::string_view key) {
  String(key);
  text_ += ':';
  afterKey_ = true;
  return *this;
}

TJsonWriter& TJsonWriter::String(std::string_view value) {
  Separate();
  text_ += '"';
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text_ += '\\';
      text_ += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      text_ += escaped;
    } else {
      text_ += c;
    }
  }
  text_ += '"';
  return *this;
}

TJsonWriter& TJsonWriter::Number(double value, int decimals) {
  if (!std::isfinite(value)) return Null();
  Separate();
  // Whatever the locale: a comma would break the JSON.
  char text[400];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  text_.append(text, end);
  return *this;
}

TJsonWriter& TJsonWriter::Integer(long long value) {
  Separate();
  text_ += std::to_string(value);
  return *this;
}

TJsonWriter& TJsonWriter::Bool(bool value) {
  Separate();
  text_ += value ? "true" : "false";
  return *this;
}

TJsonWriter& TJsonWriter::Null() {
  Separate();
  text_ += "null";
  return *this;
}

}  // namespace tevra
