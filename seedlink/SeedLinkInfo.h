#pragma once
// The XML documents of SeedLink's INFO command, in the element and attribute names SeisComP's seedlink
// and ringserver use, so slinktool -L/-Q and ObsPy read them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "seedlink/SeedLinkRing.h"
#include "seedlink/SeedLinkSession.h"

namespace tevra {

struct TSeedLinkInfoConnection {
  std::string Host;
  int Port = 0;
  std::int64_t ConnectedNs = 0;
  const TSeedLinkSession* Session = nullptr;
};

struct TSeedLinkInfoSource {
  std::string Software;  // "SeedLink v3.1 (tevra_panel x.y.z)"
  std::string Organization;
  std::string Description;  // of the station
  std::int64_t StartedNs = 0;
  const TSeedLinkRing* Ring = nullptr;
  std::vector<TSeedLinkInfoConnection> Connections;
};

// `level` is one of ID, CAPABILITIES, STATIONS, STREAMS, GAPS, CONNECTIONS, ALL.
std::string SeedLinkInfoXml(std::string_view level, const TSeedLinkInfoSource& source);

}  // namespace tevra
