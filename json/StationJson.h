#pragma once
// The station's machine-readable vocabulary, shared by every route that publishes its figures as
// JSON: times, intensity classes, states, and compact one-line JSON objects.
#include <cstdint>
#include <string>

namespace tevra {

// ISO-8601 UTC with milliseconds: "2026-12-09T02:53:26.123Z".
std::string IsoUtcMillis(std::int64_t utcMicros);

// The intensity class as ASCII ("0".."4", "5-", "5+", "6-", "6+", "7") and its rank 0-9, by the
// same bounds as the class the panel shows.
int IntensityClassRank(double intensity);
const char* IntensityClassCode(double intensity);

enum class TStationState { Measuring, Reconnecting, Stopped };
// "measuring", "reconnecting", "stopped".
const char* StationStateName(TStationState state);

// `text` as a JSON string literal, quotes included; control characters escaped, UTF-8 kept.
std::string JsonString(const std::string& text);
// `value` with `decimals` digits after the point whatever the locale, never "-0.0"; null when
// not finite.
std::string JsonNumber(double value, int decimals);

// A JSON object written member by member in the order added, without blanks.
class TJsonObject {
 public:
  TJsonObject& Text(const char* key, const std::string& value);
  // A finite number with `decimals` digits after the point; a non-finite one is written as null.
  TJsonObject& Number(const char* key, double value, int decimals);
  TJsonObject& Integer(const char* key, long long value);
  TJsonObject& Flag(const char* key, bool value);
  // `json` is already a JSON value (an object or an array).
  TJsonObject& Raw(const char* key, const std::string& json);
  std::string Json() const { return "{" + body_ + "}"; }

 private:
  void Key(const char* key);
  std::string body_;
};

}  // namespace tevra
