#include "tools/monitor/MonitorOptions.h"

#include <functional>
#include <map>

#include "mqtt/MqttTopics.h"

namespace tevra {

const char* const kMonitorUsage =
    "usage: tevra-monitor DEVICE [--seconds S] [--archive DIR] [--seedlink [ADDR:]PORT]\n"
    "                     [--station NET.STA[.LOC]] [--channels C1,C2,C3] [--stationxml FILE]\n"
    "                     [--site LAT,LON,ELEV] [--azimuths X,Y] [--start-date YYYY-MM-DD]\n"
    "                     [--mqtt HOST[:PORT]] [--mqtt-prefix P] [--mqtt-user U]\n"
    "                     [--mqtt-password-file F] [--mqtt-tls-ca F]\n"
    "                     [--web [ADDR:]PORT] [--web-token-file FILE]\n"
    "  opens DEVICE at 9600 8N1, checks the sensor, starts as the panel does and then reads every\n"
    "  100 ms; prints '<hh:mm:ss> <intensity> <largest composite gal of the tick>' for every new\n"
    "  intensity, 'error <status> <text>' for every failure, and a count of frames and failures at\n"
    "  the end (after S seconds, at most a year, or on SIGINT/SIGTERM)\n"
    "  --archive DIR      keeps every sample as miniSEED in an SDS archive under DIR\n"
    "                     (lines about the archive start with 'archive ')\n"
    "  --seedlink [ADDR:]PORT  serves the records live over SeedLink 3.1 (address 127.0.0.1\n"
    "                     unless given)\n"
    "  --station N.S[.L]  network, station and location codes (default XX.TEVRA)\n"
    "  --channels A,B,C   channel codes of X, Y and Z (default HN1,HN2,HNZ)\n"
    "  --stationxml FILE  writes the station's FDSN StationXML to FILE (without DEVICE: only that)\n"
    "  --site LAT,LON,ELEV  the site for StationXML: degrees north, degrees east, metres\n"
    "  --azimuths X,Y     azimuths of X and Y for StationXML, degrees clockwise from north (0 up\n"
    "                     to 360; without them a channel ending in E faces 90, one in N 0)\n"
    "  --start-date YYYY-MM-DD  the day the station's metadata starts (default: the oldest day\n"
    "                     in the archive, else today)\n"
    "  --mqtt HOST[:PORT] publishes availability, state and intensity to an MQTT broker (port 1883,\n"
    "                     8883 with TLS; lines about it start with 'mqtt ')\n"
    "  --mqtt-prefix P    the topics' prefix (default tevra/NET.STA)\n"
    "  --mqtt-user U      the user name; --mqtt-password-file F: the password, F readable by its\n"
    "                     owner only\n"
    "  --mqtt-tls-ca F    TLS, the broker's certificate checked against the CA certificate in F\n"
    "  --web [ADDR:]PORT  serves the web page, its live figures and SeedLink over WebSocket\n"
    "                     (address 127.0.0.1 unless given; any other needs --web-token-file)\n"
    "  --web-token-file FILE  the web page's token, in a file only its owner may read\n";

namespace {

// "[ADDR:]PORT", the address 127.0.0.1 unless given.
bool ParseEndpoint(const std::string& text, std::string& address, int& port) {
  const std::size_t colon = text.rfind(':');
  const std::string host = colon == std::string::npos ? "127.0.0.1" : text.substr(0, colon);
  int value = 0;
  if (host.empty() || !ParseInteger(colon == std::string::npos ? text : text.substr(colon + 1), 0, 65535, value))
    return false;
  address = host;
  port = value;
  return true;
}

bool ParseSeedLink(const std::string& text, TDataOutputSettings& s) {
  if (!ParseEndpoint(text, s.SeedLinkAddress, s.SeedLinkPort)) return false;
  s.SeedLink = true;
  return true;
}

bool ParseStation(const std::string& text, TDataOutputSettings& s) {
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) return false;
  const std::size_t dot2 = text.find('.', dot + 1);
  const std::string net = text.substr(0, dot);
  const std::string sta =
      text.substr(dot + 1, dot2 == std::string::npos ? std::string::npos : dot2 - dot - 1);
  const std::string loc = dot2 == std::string::npos ? std::string() : text.substr(dot2 + 1);
  if (!IsNetworkCode(net) || !IsStationCode(sta) || !IsLocationCode(loc)) return false;
  s.Network = net;
  s.Station = sta;
  s.Location = loc;
  return true;
}

bool ParseSite(const std::string& text, TDataOutputSettings& s) {
  const std::size_t a = text.find(',');
  const std::size_t b = a == std::string::npos ? a : text.find(',', a + 1);
  if (b == std::string::npos) return false;
  double lat = 0, lon = 0, elev = 0;
  if (!ParseLatitude(text.substr(0, a), lat) || !ParseLongitude(text.substr(a + 1, b - a - 1), lon) ||
      !ParseElevation(text.substr(b + 1), elev)) {
    return false;
  }
  s.SiteSet = true;
  s.Latitude = lat;
  s.Longitude = lon;
  s.Elevation = elev;
  return true;
}

bool ParseAzimuths(const std::string& text, TDataOutputSettings& s) {
  const std::size_t comma = text.find(',');
  double x = 0, y = 0;
  if (comma == std::string::npos || !ParseAzimuth(text.substr(0, comma), x) ||
      !ParseAzimuth(text.substr(comma + 1), y)) {
    return false;
  }
  s.Azimuths = {x, y};
  return true;
}

bool ParseMqttAddress(const std::string& text, TMqttSettings& m, bool& portGiven) {
  const std::size_t colon = text.rfind(':');
  m.Host = text.substr(0, colon);
  portGiven = colon != std::string::npos;
  if (m.Host.empty() || (portGiven && !ParseInteger(text.substr(colon + 1), 1, 65535, m.Port))) return false;
  m.Enabled = true;
  return true;
}

bool ParseSeconds(const std::string& text, double& seconds) {
  double v = 0.0;
  // Up to a year: the end time in milliseconds must fit its integer; longer runs go without.
  if (!ParseNumberIn(text, 0.0, 366.0 * 86400, v) || !(v > 0)) return false;
  seconds = v;
  return true;
}

}  // namespace

TResult<TMonitorOptions> ParseMonitorOptions(int argc, const char* const* argv) {
  TMonitorOptions o;
  using TParse = std::function<bool(const std::string&)>;
  TDataOutputSettings& out = o.Output;
  out.Station = "TEVRA";
  TMqttSettings& mqtt = o.Mqtt;
  mqtt.Discovery = false;  // the panel's device; the monitor only publishes
  bool mqttPortGiven = false;
  const auto text = [](std::string& field) {
    return [&field](const std::string& v) {
      field = v;
      return !v.empty();
    };
  };
  const std::map<std::string, TParse> withValue = {
      {"--seconds", [&](const std::string& v) { return ParseSeconds(v, o.Seconds); }},
      {"--archive",
       [&](const std::string& v) {
         out.Archive = !v.empty();
         out.ArchiveFolder = v;
         return out.Archive;
       }},
      {"--station", [&](const std::string& v) { return ParseStation(v, out); }},
      {"--seedlink", [&](const std::string& v) { return ParseSeedLink(v, out); }},
      {"--channels", [&](const std::string& v) { return ParseChannelList(v, out.Channels); }},
      {"--site", [&](const std::string& v) { return ParseSite(v, out); }},
      {"--web",
       [&](const std::string& v) {
         o.Web = ParseEndpoint(v, o.WebAddress, o.WebPort);
         return o.Web;
       }},
      {"--web-token-file",
       [&](const std::string& v) {
         o.WebTokenFile = v;
         return !v.empty();
       }},
      {"--azimuths", [&](const std::string& v) { return ParseAzimuths(v, out); }},
      {"--start-date",
       [&](const std::string& v) {
         out.StartDate = v;
         return IsStartDate(v);
       }},
      {"--stationxml", text(o.StationXmlFile)},
      {"--mqtt", [&](const std::string& v) { return ParseMqttAddress(v, mqtt, mqttPortGiven); }},
      {"--mqtt-prefix", [&](const std::string& v) { return IsTopicPrefix(v) && text(mqtt.TopicPrefix)(v); }},
      {"--mqtt-user", text(mqtt.Username)},
      {"--mqtt-password-file", text(mqtt.PasswordFile)},
      {"--mqtt-tls-ca",
       [&](const std::string& v) {
         mqtt.Tls = true;
         return text(mqtt.CaFile)(v);
       }},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.Help = true;
      return o;
    }
    const auto option = withValue.find(arg);
    if (option != withValue.end()) {
      if (i + 1 >= argc) return TError{"missing value for " + arg};
      const std::string value = argv[++i];
      if (!option->second(value)) return TError{"bad value for " + arg + ": " + value};
    } else if (o.Device.empty() && !arg.empty() && arg[0] != '-') {
      o.Device = arg;
    } else {
      return TError{"unexpected argument " + arg};
    }
  }
  if (o.Device.empty() && o.StationXmlFile.empty()) return TError{"no device"};
  TMqttSettings untouched;
  untouched.Discovery = false;
  if (!mqtt.Enabled && !(mqtt == untouched)) return TError{"the --mqtt- options need --mqtt"};
  if (mqtt.Tls && !mqttPortGiven) mqtt.Port = TMqttSettings::TlsPort;
  if (!mqtt.Enabled) return o;
  if (const TStatus usable = CheckMqttSettings(mqtt); !usable) return usable.Error();
  return o;
}

}  // namespace tevra
