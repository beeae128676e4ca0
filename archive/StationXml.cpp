#include "archive/StationXml.h"

#include <cstdio>
#include <ctime>

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "archive/SdsArchive.h"

namespace tevra {
namespace {

std::string Number(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string UtcText(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buf;
}

// A number without trailing zeros: 90, 45.5.
std::string Decimal(double v) {
  std::string text = Number("%.6f", v);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text;
}

void AddUnits(std::string& x, const std::string& indent) {
  x += indent + "<InputUnits>\n" + indent + "  <Name>m/s**2</Name>\n" + indent + "</InputUnits>\n";
  x += indent + "<OutputUnits>\n" + indent + "  <Name>count</Name>\n" + indent + "</OutputUnits>\n";
}

// The sensor turns acceleration into counts at one gain for every frequency it passes: a single
// analog gain-only stage, a pole-zero filter with neither poles nor zeros.
void AddResponse(std::string& x) {
  const std::string gain = Number("%.6f", kCountsPerMetrePerSecondSquared);
  x += "        <Response>\n";
  x += "          <InstrumentSensitivity>\n";
  x += "            <Value>" + gain + "</Value>\n";
  x += "            <Frequency>1</Frequency>\n";
  AddUnits(x, "            ");
  x += "          </InstrumentSensitivity>\n";
  x += "          <Stage number=\"1\">\n";
  x += "            <PolesZeros>\n";
  AddUnits(x, "              ");
  x += "              <PzTransferFunctionType>LAPLACE (RADIANS/SECOND)</PzTransferFunctionType>\n";
  x += "              <NormalizationFactor>1</NormalizationFactor>\n";
  x += "              <NormalizationFrequency>1</NormalizationFrequency>\n";
  x += "            </PolesZeros>\n";
  x += "            <StageGain>\n";
  x += "              <Value>" + gain + "</Value>\n";
  x += "              <Frequency>1</Frequency>\n";
  x += "            </StageGain>\n";
  x += "          </Stage>\n";
  x += "        </Response>\n";
}

}  // namespace

std::optional<double> ConventionalAzimuth(const std::string& channel) {
  if (channel.size() == 3 && channel[2] == 'E') return 90.0;
  if (channel.size() == 3 && channel[2] == 'N') return 0.0;
  return std::nullopt;
}

std::optional<double> ChannelAzimuth(const TDataOutputSettings& s, int axis) {
  if (axis == 2) return 0.0;
  if (s.Azimuths[static_cast<std::size_t>(axis)]) return s.Azimuths[static_cast<std::size_t>(axis)];
  return ConventionalAzimuth(s.Channels[static_cast<std::size_t>(axis)]);
}

std::string StartDateFor(const TDataOutputSettings& s, std::int64_t nowUtcSeconds) {
  if (!s.StartDate.empty()) return s.StartDate;
  const std::optional<std::int64_t> oldest =
      s.ArchiveFolder.empty() ? std::nullopt : OldestSdsDay(s.ArchiveFolder, s.Network, s.Station);
  return UtcDayText(oldest ? *oldest : nowUtcSeconds);
}

std::string StationXmlText(const TDataOutputSettings& s, const std::string& siteName,
                           std::int64_t createdUtcSeconds) {
  const std::string lat = Number("%.6f", s.SiteSet ? s.Latitude : 0.0);
  const std::string lon = Number("%.6f", s.SiteSet ? s.Longitude : 0.0);
  const std::string elev = Number("%.1f", s.SiteSet ? s.Elevation : 0.0);
  const std::string start =
      " startDate=\"" + (s.StartDate.empty() ? UtcDayText(createdUtcSeconds) : s.StartDate) + "T00:00:00Z\"";
  std::string x;
  x += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  x += "<FDSNStationXML xmlns=\"http://www.fdsn.org/xml/station/1\" schemaVersion=\"1.2\">\n";
  x += "  <Source>tevra_panel</Source>\n";
  x += "  <Module>tevra_panel</Module>\n";
  x += "  <Created>" + UtcText(createdUtcSeconds) + "</Created>\n";
  x += "  <Network code=\"" + s.Network + "\"" + start + ">\n";
  x += "    <Station code=\"" + s.Station + "\"" + start + ">\n";
  x += "      <Latitude>" + lat + "</Latitude>\n";
  x += "      <Longitude>" + lon + "</Longitude>\n";
  x += "      <Elevation>" + elev + "</Elevation>\n";
  x += "      <Site>\n        <Name>" + XmlEscaped(siteName.empty() ? s.Station : siteName) +
       "</Name>\n      </Site>\n";
  for (int c = 0; c < 3; ++c) {
    x += "      <Channel code=\"" + s.Channels[c] + "\" locationCode=\"" + s.Location + "\"" + start + ">\n";
    x += "        <Latitude>" + lat + "</Latitude>\n";
    x += "        <Longitude>" + lon + "</Longitude>\n";
    x += "        <Elevation>" + elev + "</Elevation>\n";
    x += "        <Depth>0</Depth>\n";
    const std::optional<double> azimuth = ChannelAzimuth(s, c);
    if (azimuth) x += "        <Azimuth>" + Decimal(*azimuth) + "</Azimuth>\n";
    // Z counts grow upwards (1 g at rest); X and Y lie level.
    x += c == 2 ? "        <Dip>-90</Dip>\n" : "        <Dip>0</Dip>\n";
    x += "        <SampleRate>100</SampleRate>\n";
    AddResponse(x);
    x += "      </Channel>\n";
  }
  x += "    </Station>\n";
  x += "  </Network>\n";
  x += "</FDSNStationXML>\n";
  return x;
}

bool WriteStationXml(const std::string& path, const TDataOutputSettings& settings,
                     const std::string& siteName, std::int64_t createdUtcSeconds) {
  return WriteFileAtomically(path, StationXmlText(settings, siteName, createdUtcSeconds));
}

}  // namespace tevra
