#pragma once
// The JSON words the station's figures are published in, shared by every program that speaks JSON
// about them: times in ISO-8601 UTC with milliseconds, intensity classes as ASCII names with a rank,
// and the measurement's state.
#include <cstdint>
#include <string>
#include <string_view>

namespace tevra {

// "2026-05-28T12:34:56.789Z"
std::string IsoUtcMs(std::int64_t unixMs);

// "0".."4", "5-", "5+", "6-", "6+", "7" and its rank 0..9, from the intensity class table.
const char* ClassName(double intensity);
int ClassRank(double intensity);

enum class TStationState { Measuring, Reconnecting, Stopped };
// "measuring", "reconnecting", "stopped"
const char* StateName(TStationState state);

// A compact JSON text built front to back: objects, arrays, keys and values with the commas put in.
class TJsonWriter {
 public:
  TJsonWriter& Begin(char bracket);  // '{' or '['
  TJsonWriter& End(char bracket);    // '}' or ']'
  TJsonWriter& Key(std::string_view key);
  TJsonWriter& String(std::string_view value);
  TJsonWriter& Number(double value, int decimals);  // non-finite values become null
  TJsonWriter& Integer(long long value);
  TJsonWriter& Bool(bool value);
  TJsonWriter& Null();
  const std::string& Text() const { return text_; }

 private:
  void Separate();
  std::string text_;
  bool first_ = true;
  bool afterKey_ = false;
};

}  // namespace tevra
