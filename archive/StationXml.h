#pragma once
// The station's metadata as FDSN StationXML 1.2: one network, one station, three channels of
// 100 samples/s in counts of 1/1000 g (0.00980665 m/s^2), which is all a reader needs to turn the
// archive's counts into acceleration. Network, station and channels start on the same day.
#include <cstdint>
#include <optional>
#include <string>

#include "settings/DataOutputSettings.h"

namespace tevra {

// Counts per m/s^2: one count is 0.980665 gal.
inline constexpr double kCountsPerMetrePerSecondSquared = 1.0 / 0.00980665;

// The azimuth a channel's code gives by the SEED convention: 90 for a third letter E, 0 for N.
std::optional<double> ConventionalAzimuth(const std::string& channel);
// The azimuth written for axis 0..2 (X, Y, Z): the installer's value, else the code's; Z, being
// vertical, has 0.
std::optional<double> ChannelAzimuth(const TDataOutputSettings& settings, int axis);
// The day the metadata starts: the setting, else the day of the oldest record in the archive's
// folder, else the day of nowUtcSeconds.
std::string StartDateFor(const TDataOutputSettings& settings, std::int64_t nowUtcSeconds);

// The document for `settings` (codes and site; a site not set is written as 0), created at
// createdUtcSeconds; `siteName` names the site (the sensor ID). Without a start date in the
// settings the metadata starts on the day it is created.
std::string StationXmlText(const TDataOutputSettings& settings, const std::string& siteName,
                           std::int64_t createdUtcSeconds);

// Writes the document to `path` in one replacement; false when it cannot be written.
bool WriteStationXml(const std::string& path, const TDataOutputSettings& settings,
                     const std::string& siteName, std::int64_t createdUtcSeconds);

}  // namespace tevra
