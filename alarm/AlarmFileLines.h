#pragma once
// The lines of the event log and the detail file, as the CP932 bytes that go into the files.
#include <string>
#include <string_view>

#include "alarm/DetailRing.h"

namespace tevra {

// Event log lines; `timeText` is the date-and-time text of the operation log's newest line.
std::string EventStartLine(std::string_view timeText);
std::string EventStopLine(std::string_view timeText);
std::string FormatErrorLine(std::string_view timeText);
// The repeats of a format error after its line, counted instead of written one by one.
std::string FormatErrorRepeatsLine(std::string_view timeText, long long repeats);
std::string CommunicationErrorLine(std::string_view timeText);
std::string DetectionLine(std::string_view timeText, double intensity, double composite);
std::string MaximumLine(std::string_view timeText, double maxIntensity, double maxComposite);

// Detail file: the header names the sensor; each data line is one record, numbers "%.2f".
std::string DetailHeaderLine(std::string_view sensorId);
// Appends the record's line to `out` (ASCII only, so CP932 as it is).
void AppendDetailLine(std::string& out, const TDetailRecord& record);

}  // namespace tevra
