#pragma once
// The station's metadata as FDSN StationXML 1.2: one network, one station, three channels of
// 100 samples/s in counts of 1/1000 g (0.00980665 m/s^2), which is all a reader needs to turn the
// archive's counts into acceleration.
#include <cstdint>
#include <string>

#include "output/DataOutputSettings.h"

namespace tevra {

// Counts per m/s^2: one count is 0.980665 gal.
inline constexpr double kCountsPerMetrePerSecondSquared = 1.0 / 0.00980665;

// The document for `settings` (codes and site; a site not set is written as 0), created at
// createdUtcSeconds; `siteName` names the site (the sensor ID).
std::string StationXmlText(const TDataOutputSettings& settings, const std::string& siteName,
                           std::int64_t createdUtcSeconds);

// Writes the document to `path` in one replacement; false when it cannot be written.
bool WriteStationXml(const std::string& path, const TDataOutputSettings& settings,
                     const std::string& siteName, std::int64_t createdUtcSeconds);

}  // namespace tevra
