#include "settings/DataOutputSettings.h"

#include <arpa/inet.h>

#include <chrono>
#include <cmath>

#include "base/DateTimeText.h"
#include "base/NumberParse.h"
#include "base/TextFormat.h"
#include "settings/PanelSettings.h"
#include "settings/SettingsFile.h"
#include "settings/Profile.h"
#include "settings/SectionKeys.h"

namespace tevra {
namespace {

constexpr std::size_t kReadBufferSize = 256;
constexpr const char* kArchive = "Archive";
constexpr const char* kArchiveFolder = "ArchiveFolder";
constexpr const char* kNetwork = "Network";
constexpr const char* kStation = "Station";
constexpr const char* kLocation = "Location";
constexpr const char* kChannels = "Channels";
constexpr const char* kFlushSeconds = "FlushSeconds";
constexpr const char* kSeedLink = "SeedLink";
constexpr const char* kSeedLinkAddress = "SeedLinkAddress";
constexpr const char* kSeedLinkPort = "SeedLinkPort";
constexpr const char* kLatitude = "Latitude";
constexpr const char* kLongitude = "Longitude";
constexpr const char* kElevation = "Elevation";
constexpr const char* kStartDate = "StartDate";
constexpr const char* kAzimuths[2] = {"AzimuthX", "AzimuthY"};
// Below the deepest mine and above the highest summit.
constexpr double kLowestElevation = -12000.0;
constexpr double kHighestElevation = 9000.0;
// The years a miniSEED record of ours can have.
constexpr int kFirstStartYear = 1970;
constexpr int kLastStartYear = 2261;

}  // namespace

bool IsSeedCode(const std::string& code, std::size_t minLength, std::size_t maxLength) {
  if (code.size() < minLength || code.size() > maxLength) return false;
  for (char c : code) {
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
  }
  return true;
}

bool IsNetworkCode(const std::string& code) {
  return IsSeedCode(code, 1, 2);
}
bool IsStationCode(const std::string& code) {
  return IsSeedCode(code, 1, 5);
}
bool IsLocationCode(const std::string& code) {
  return IsSeedCode(code, 0, 2);
}
bool IsChannelCode(const std::string& code) {
  return IsSeedCode(code, 3, 3);
}

bool ParseChannelList(const std::string& text, std::array<std::string, 3>& channels) {
  std::array<std::string, 3> parsed;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < parsed.size(); ++i) {
    const std::size_t comma = text.find(',', pos);
    const bool last = i + 1 == parsed.size();
    if (last != (comma == std::string::npos)) return false;
    parsed[i] = text.substr(pos, last ? std::string::npos : comma - pos);
    if (!IsChannelCode(parsed[i])) return false;
    pos = comma + 1;
  }
  channels = parsed;
  return true;
}

std::string ChannelListText(const std::array<std::string, 3>& channels) {
  return channels[0] + "," + channels[1] + "," + channels[2];
}

bool IsIpv4Address(const std::string& text) {
  in_addr a{};
  return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

bool ParseNumberIn(const std::string& text, double low, double high, double& value) {
  double v = 0.0;
  if (!ParseFinite(text, v) || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseLatitude(const std::string& text, double& value) {
  double v = 0.0;
  if (!ParseNumberIn(text, -90.0, 90.0, v) || v >= 90.0) return false;
  value = v;
  return true;
}

bool ParseLongitude(const std::string& text, double& value) {
  return ParseNumberIn(text, -180.0, 180.0, value);
}

bool ParseElevation(const std::string& text, double& value) {
  return ParseNumberIn(text, kLowestElevation, kHighestElevation, value);
}

bool ParseAzimuth(const std::string& text, double& value) {
  double v = 0.0;
  if (!ParseNumberIn(text, 0.0, 360.0, v)) return false;
  v = std::round(v * 1e6) / 1e6;  // as the file keeps it, so that 359.9999999 cannot become 360
  if (v >= 360.0) return false;
  value = v;
  return true;
}

bool IsStartDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseDigits(text, 0, 4, y) ||
      !ParseDigits(text, 5, 2, m) || !ParseDigits(text, 8, 2, d)) {
    return false;
  }
  namespace cr = std::chrono;
  return y >= kFirstStartYear && y <= kLastStartYear &&
         cr::year_month_day(cr::year(y) / cr::month(static_cast<unsigned>(m)) /
                            cr::day(static_cast<unsigned>(d)))
             .ok();
}

std::string UtcDayText(std::int64_t utcSeconds) {
  const TLocalDateTime t = UtcDateTimeOf(utcSeconds);
  return Printf("%04d-%02d-%02d", t.Year, t.Month, t.Day);
}

std::string DefaultStationCode(const std::string& sensorId) {
  std::string code;
  for (char c : sensorId) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) code += c;
    if (code.size() == 5) break;
  }
  return code.empty() ? "TEVRA" : code;
}

TDataOutputSettings LoadDataOutputSettings(const Profile& profile, const std::string& sensorId) {
  TDataOutputSettings s;
  s.Station = DefaultStationCode(sensorId);
  const TSectionReader r(profile, kDataOutputSection, kReadBufferSize);
  r.Flag(kArchive, s.Archive);
  // Read whole, like the panel's other folders: a cut one would send the records elsewhere.
  s.ArchiveFolder = r.Value(kArchiveFolder, TPanelSettings::FolderMaxBytes + 3);
  if (!FolderReadsBack(s.ArchiveFolder)) s.ArchiveFolder.clear();
  // An archive without a folder would write wherever the panel happens to run.
  if (s.ArchiveFolder.empty()) s.Archive = false;
  r.Checked(kNetwork, IsNetworkCode, s.Network);
  r.Checked(kStation, IsStationCode, s.Station);
  r.Checked(kLocation, IsLocationCode, s.Location);
  ParseChannelList(r.Value(kChannels), s.Channels);
  r.Integer(kFlushSeconds, TDataOutputSettings::MinFlushSeconds, TDataOutputSettings::MaxFlushSeconds,
            s.FlushSeconds);
  r.Flag(kSeedLink, s.SeedLink);
  r.Checked(kSeedLinkAddress, IsIpv4Address, s.SeedLinkAddress);
  r.Integer(kSeedLinkPort, 1, 65535, s.SeedLinkPort);
  double lat = 0, lon = 0, elev = 0;
  if (ParseLatitude(r.Value(kLatitude), lat) && ParseLongitude(r.Value(kLongitude), lon) &&
      ParseElevation(r.Value(kElevation), elev)) {
    s.SiteSet = true;
    s.Latitude = lat;
    s.Longitude = lon;
    s.Elevation = elev;
  }
  r.Checked(kStartDate, IsStartDate, s.StartDate);
  for (std::size_t i = 0; i < s.Azimuths.size(); ++i) {
    double azimuth = 0;
    if (ParseAzimuth(r.Value(kAzimuths[i]), azimuth)) s.Azimuths[i] = azimuth;
  }
  return s;
}

void SaveDataOutputSettings(const TDataOutputSettings& s, Profile& profile) {
  TSectionWriter w(profile, kDataOutputSection);
  w.Flag(kArchive, s.Archive);
  w.Text(kArchiveFolder, s.ArchiveFolder);
  w.Text(kNetwork, s.Network);
  w.Text(kStation, s.Station);
  w.Text(kLocation, s.Location);
  w.Text(kChannels, ChannelListText(s.Channels));
  w.Integer(kFlushSeconds, s.FlushSeconds);
  w.Flag(kSeedLink, s.SeedLink);
  w.Text(kSeedLinkAddress, s.SeedLinkAddress);
  w.Integer(kSeedLinkPort, s.SeedLinkPort);
  w.Text(kLatitude, s.SiteSet ? FormatFixed6(s.Latitude) : "");
  w.Text(kLongitude, s.SiteSet ? FormatFixed6(s.Longitude) : "");
  w.Text(kElevation, s.SiteSet ? FormatFixed6(s.Elevation) : "");
  w.Text(kStartDate, s.StartDate);
  for (std::size_t i = 0; i < s.Azimuths.size(); ++i)
    w.Text(kAzimuths[i], s.Azimuths[i] ? FormatFixed6(*s.Azimuths[i]) : "");
}

void SaveStartDate(const std::string& day, Profile& profile) {
  profile.WriteString(kDataOutputSection, kStartDate, day);
}

}  // namespace tevra
