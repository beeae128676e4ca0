#pragma once
// Where the event log, the detail files and the noise snapshots go.
#include <string>
#include <string_view>

namespace tevra {

// The sensor ID as it may appear in a file name: a '/' would point into a folder that does not
// exist, so it becomes '_'. Packets, tips and file contents keep the ID as it is.
std::string FileNameId(std::string_view sensorId);

// "<EventFolder>/Tevra_<id>.csv"
std::string EventLogPath(const std::string& eventFolder, std::string_view sensorId);
// "<DetailFolder>/<stamp>_<id>.csv", the stamp "yyyymmddhhmmss" of the recording's start.
std::string DetailFilePath(const std::string& detailFolder, std::string_view stamp,
                           std::string_view sensorId);
// "<stamp>_<id>_noise.csv", a name in the working directory.
std::string NoiseFileName(std::string_view stamp, std::string_view sensorId);

}  // namespace tevra
