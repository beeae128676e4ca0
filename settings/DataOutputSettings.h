#pragma once
// Section [DataOutput] of "TevraPanel.ini": the continuous record (miniSEED archive), its live
// stream and the station's metadata. Codes follow SEED: network 1-2, station 1-5, location 0-2
// and channel 3 characters, each of A-Z and 0-9.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/NumberParse.h"

namespace tevra {

class Profile;

inline constexpr const char* kDataOutputSection = "DataOutput";

struct TDataOutputSettings {
  static constexpr int MinFlushSeconds = 1;
  static constexpr int MaxFlushSeconds = 60;

  bool Archive = false;
  std::string ArchiveFolder;
  std::string Network = "XX";
  std::string Station = "TEVRA";
  std::string Location;
  std::array<std::string, 3> Channels{"HN1", "HN2", "HNZ"};  // X, Y, Z as the reader orients them
  int FlushSeconds = 5;
  bool SeedLink = false;
  std::string SeedLinkAddress = "127.0.0.1";
  int SeedLinkPort = 18000;
  // The site; SiteSet is false until all three are given (the metadata then says 0).
  bool SiteSet = false;
  double Latitude = 0.0;   // degrees north
  double Longitude = 0.0;  // degrees east
  double Elevation = 0.0;  // metres
  // The day the station's metadata starts, "YYYY-MM-DD"; empty until it is first fixed.
  std::string StartDate;
  // Azimuths of X and Y in degrees clockwise from north, where the installer gave them.
  std::array<std::optional<double>, 2> Azimuths;
};

// A SEED code of minLength..maxLength characters A-Z and 0-9.
bool IsSeedCode(const std::string& code, std::size_t minLength, std::size_t maxLength);
bool IsNetworkCode(const std::string& code);
bool IsStationCode(const std::string& code);
bool IsLocationCode(const std::string& code);
bool IsChannelCode(const std::string& code);
// "C1,C2,C3" into three channel codes; false (and `channels` unchanged) unless all three are valid.
bool ParseChannelList(const std::string& text, std::array<std::string, 3>& channels);
std::string ChannelListText(const std::array<std::string, 3>& channels);
// A dotted IPv4 address.
bool IsIpv4Address(const std::string& text);
// A decimal number in [low, high] without trailing text.
bool ParseNumberIn(const std::string& text, double low, double high, double& value);
// The site's coordinates as StationXML accepts them: latitude -90 up to (not including) 90
// degrees, longitude -180..180 degrees, elevation -12000..9000 m.
bool ParseLatitude(const std::string& text, double& value);
bool ParseLongitude(const std::string& text, double& value);
bool ParseElevation(const std::string& text, double& value);
// An azimuth of 0 up to (not including) 360 degrees, kept to six decimals.
bool ParseAzimuth(const std::string& text, double& value);
// A calendar day "YYYY-MM-DD" of the years 1970..2261 (those a record can have).
bool IsStartDate(const std::string& text);
// The UTC day of `utcSeconds` as "YYYY-MM-DD".
std::string UtcDayText(std::int64_t utcSeconds);
// The station code the sensor ID suggests: its letters (upper-cased) and digits, at most five;
// "TEVRA" when it has none.
std::string DefaultStationCode(const std::string& sensorId);

// Reads the section; a missing or bad value takes its default (`sensorId` gives the station's).
// The archive's folder is read whole and taken only when it would read back unchanged.
TDataOutputSettings LoadDataOutputSettings(const Profile& profile, const std::string& sensorId);
// Writes the whole section in one replacement of the file; other sections stay as they are.
void SaveDataOutputSettings(const TDataOutputSettings& settings, Profile& profile);
// Writes the start date alone.
void SaveStartDate(const std::string& day, Profile& profile);

}  // namespace tevra
