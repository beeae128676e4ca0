#include "alarm/AlarmFileLines.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/Cp932.h"

namespace tevra {
namespace {

std::string TimedLine(std::string_view timeText, std::string_view rest) {
  std::string line = " ";
  line.append(timeText);
  line.append(rest);
  line.push_back('\n');
  return Utf8ToCp932(line);
}

std::string WithTwoFigures(std::string_view timeText, const char* format, double a, double b) {
  // The widest double in "%.1f" is 310 characters; the buffer holds two of them and the texts.
  char figures[720];
  std::snprintf(figures, sizeof figures, format, a, b);
  return TimedLine(timeText, figures);
}

void AppendFixed2(std::string& out, double value) {
  // std::to_chars with a precision rounds exactly as printf's "%.2f" does, at a fraction of its cost.
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
  out.append(buf, result.ptr);
}

}  // namespace

std::string EventStartLine(std::string_view timeText) {
  return TimedLine(timeText, ",計測開始");
}
std::string EventStopLine(std::string_view timeText) {
  return TimedLine(timeText, ",計測終了");
}
std::string FormatErrorLine(std::string_view timeText) {
  return TimedLine(timeText, ",データフォーマットエラー発生");
}
std::string FormatErrorRepeatsLine(std::string_view timeText, long long repeats) {
  return TimedLine(timeText, ",データフォーマットエラー繰り返し," + std::to_string(repeats));
}
std::string CommunicationErrorLine(std::string_view timeText) {
  return TimedLine(timeText, ",通信エラー発生");
}

std::string DetectionLine(std::string_view timeText, double intensity, double composite) {
  return WithTwoFigures(timeText, ",検出震度,%1.1f,検出加速度,%1.1f", intensity, composite);
}

std::string MaximumLine(std::string_view timeText, double maxIntensity, double maxComposite) {
  return WithTwoFigures(timeText, ",最大震度,%1.1f,最大加速度,%.1f", maxIntensity, maxComposite);
}

std::string DetailHeaderLine(std::string_view sensorId) {
  std::string line(sensorId);
  line.append(",X(gal),Y(gal),Z(gal),計測震度,合成加速度(gal)\n");
  return Utf8ToCp932(line);
}

void AppendDetailLine(std::string& out, const TDetailRecord& record) {
  out.append(record.TimeText, strnlen(record.TimeText, sizeof record.TimeText));
  for (double value : {record.X, record.Y, record.Z, record.Intensity, record.Composite}) {
    out.push_back(',');
    AppendFixed2(out, value);
  }
  out.push_back('\n');
}

}  // namespace tevra
