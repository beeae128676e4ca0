#include "seedlink/SeedLinkInfo.h"

#include <cstdio>
#include <cstring>

#include "base/TextFormat.h"

namespace tevra {
namespace {

std::string Hex6(std::uint64_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "%06X", TSeedLinkRing::Wire(number));
  return text;
}

struct TStream {
  TMiniSeedHeader First, Last;
  std::uint64_t FirstNumber, LastNumber;
};

struct TStation {
  std::string Network, Name;
  std::uint64_t FirstNumber, LastNumber;
  std::vector<TStream> Streams;
};

// Stations and streams of the records kept, in order of first appearance.
std::vector<TStation> Inventory(const TSeedLinkRing& ring) {
  std::vector<TStation> stations;
  const std::uint64_t next = ring.Next();
  TMiniSeedHeader header;
  for (std::uint64_t n = ring.Oldest(); n < next; ++n) {
    if (!ring.Copy(n, header)) continue;
    [&](const TMiniSeedHeader& h) {
      TStation* station = nullptr;
      for (TStation& s : stations)
        if (s.Network == h.Network && s.Name == h.Station) station = &s;
      if (station == nullptr) {
        if (stations.size() >= 64) return;
        stations.push_back({h.Network, h.Station, n, n, {}});
        station = &stations.back();
      }
      station->LastNumber = n;
      for (TStream& s : station->Streams) {
        if (!std::strcmp(s.Last.Location, h.Location) && !std::strcmp(s.Last.Channel, h.Channel) &&
            s.Last.Type == h.Type) {
          s.Last = h;
          s.LastNumber = n;
          return;
        }
      }
      if (station->Streams.size() < 64) station->Streams.push_back({h, h, n, n});
    }(header);
  }
  return stations;
}

}  // namespace

std::string SeedLinkInfoXml(std::string_view level, const TSeedLinkInfoSource& source) {
  const bool all = level == "ALL";
  const bool capabilities = all || level == "CAPABILITIES";
  const bool streams = all || level == "STREAMS" || level == "GAPS";
  const bool connections = all || level == "CONNECTIONS";
  const bool stations = streams || connections || level == "STATIONS";

  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<seedlink software=\"" +
                    XmlEscaped(source.Software) + "\" organization=\"" + XmlEscaped(source.Organization) +
                    "\" started=\"" + SeedLinkTimeText(source.StartedNs) + "\"";
  if (!capabilities && !stations) return xml + "/>\n";
  xml += ">\n";
  if (capabilities) {
    for (const char* name : {"dialup", "multistation", "window-extraction", "info:id", "info:capabilities",
                             "info:stations", "info:streams", "info:gaps", "info:connections", "info:all"})
      xml += std::string(" <capability name=\"") + name + "\"/>\n";
  }
  if (stations && source.Ring != nullptr) {
    for (const TStation& station : Inventory(*source.Ring)) {
      xml += " <station name=\"" + XmlEscaped(station.Name) + "\" network=\"" + XmlEscaped(station.Network) +
             "\" description=\"" + XmlEscaped(source.Description) + "\" begin_seq=\"" +
             Hex6(station.FirstNumber) + "\" end_seq=\"" + Hex6(station.LastNumber + 1) +
             "\" stream_check=\"enabled\"";
      if (!streams && !connections) {
        xml += "/>\n";
        continue;
      }
      xml += ">\n";
      if (streams) {
        for (const TStream& s : station.Streams) {
          xml += "  <stream location=\"" + XmlEscaped(s.First.Location) + "\" seedname=\"" +
                 XmlEscaped(s.First.Channel) + "\" type=\"" + std::string(1, s.First.Type) +
                 "\" begin_time=\"" + SeedLinkTimeText(s.First.StartNs) + "\" end_time=\"" +
                 SeedLinkTimeText(s.Last.EndNs) + "\" begin_recno=\"" + std::to_string(s.FirstNumber) +
                 "\" end_recno=\"" + std::to_string(s.LastNumber) +
                 "\" gap_check=\"disabled\" gap_treshold=\"0\"/>\n";
        }
      }
      if (connections) {
        TMiniSeedHeader probe;
        std::strncpy(probe.Network, station.Network.c_str(), sizeof probe.Network - 1);
        std::strncpy(probe.Station, station.Name.c_str(), sizeof probe.Station - 1);
        for (const TSeedLinkInfoConnection& c : source.Connections) {
          if (c.Session == nullptr || !c.Session->Matches(probe)) continue;
          xml += "  <connection host=\"" + XmlEscaped(c.Host) + "\" port=\"" + std::to_string(c.Port) +
                 "\" ctime=\"" + SeedLinkTimeText(c.ConnectedNs) + "\" current_seq=\"" +
                 Hex6(c.Session->Cursor()) + "\" txcount=\"" + std::to_string(c.Session->PacketsSent()) +
                 "\" realtime=\"" + (c.Session->Streaming() ? "yes" : "no") + "\"/>\n";
        }
      }
      xml += " </station>\n";
    }
  }
  return xml + "</seedlink>\n";
}

}  // namespace tevra
