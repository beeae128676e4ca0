#include "json/StationJson.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "core/Tevra.h"

namespace tevra {
namespace {

constexpr std::array<const char*, kIntensityClasses.size()> kClassCodes = {"0",  "1",  "2",  "3",  "4",
                                                                           "5-", "5+", "6-", "6+", "7"};

}  // namespace

std::string IsoUtcMillis(std::int64_t utcMicros) {
  using namespace std::chrono;
  const sys_time<microseconds> t{microseconds(utcMicros)};
  const sys_days day = floor<days>(t);
  const year_month_day ymd(day);
  const hh_mm_ss<milliseconds> hms(floor<milliseconds>(t - day));
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                static_cast<int>(hms.seconds().count()), static_cast<int>(hms.subseconds().count()));
  return text;
}

int IntensityClassRank(double intensity) {
  for (std::size_t i = 0; i < kIntensityClasses.size(); ++i) {
    if (intensity <= kIntensityClasses[i].UpperBound) return static_cast<int>(i);
  }
  return static_cast<int>(kIntensityClasses.size()) - 1;
}

const char* IntensityClassCode(double intensity) {
  return kClassCodes[static_cast<std::size_t>(IntensityClassRank(intensity))];
}

const char* StationStateName(TStationState state) {
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

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

void TJsonObject::Key(const char* key) {
  if (!body_.empty()) body_ += ',';
  body_ += JsonString(key);
  body_ += ':';
}

TJsonObject& TJsonObject::Text(const char* key, const std::string& value) {
  Key(key);
  body_ += JsonString(value);
  return *this;
}

std::string JsonNumber(double value, int decimals) {
  if (!std::isfinite(value)) return "null";
  char text[400];
  // Never "-0.0": a quiet sensor reads 0.
  if (value < 0 && value > -0.5 * std::pow(10.0, -decimals)) value = 0.0;
  // Independent of the locale: JSON always has a decimal point.
  return std::string(text, std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr);
}

TJsonObject& TJsonObject::Number(const char* key, double value, int decimals) {
  Key(key);
  body_ += JsonNumber(value, decimals);
  return *this;
}

TJsonObject& TJsonObject::Integer(const char* key, long long value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Flag(const char* key, bool value) {
  Key(key);
  body_ += value ? "true" : "false";
  return *this;
}

TJsonObject& TJsonObject::Raw(const char* key, const std::string& json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace tevra
