#include "alarm/AlarmFileNames.h"

#include <algorithm>

#include "base/AtomicFile.h"

namespace tevra {

std::string FileNameId(std::string_view sensorId) {
  std::string id(sensorId);
  std::replace(id.begin(), id.end(), '/', '_');
  return id;
}

std::string EventLogPath(const std::string& eventFolder, std::string_view sensorId) {
  return JoinPath(eventFolder, "Tevra_" + FileNameId(sensorId) + ".csv");
}

std::string DetailFilePath(const std::string& detailFolder, std::string_view stamp,
                           std::string_view sensorId) {
  return JoinPath(detailFolder, std::string(stamp) + "_" + FileNameId(sensorId) + ".csv");
}

std::string NoiseFileName(std::string_view stamp, std::string_view sensorId) {
  return std::string(stamp) + "_" + FileNameId(sensorId) + "_noise.csv";
}

}  // namespace tevra
