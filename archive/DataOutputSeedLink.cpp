#include "archive/DataOutputSeedLink.h"

#include <string>

namespace tevra {

void LinkSeedLinkServer(TDataOutput& record, TSeedLinkServer& server, TDataOutput::TLog log) {
  record.OnConfigure = [&record, &server, log = std::move(log), address = std::string(),
                        port = -1](const TDataOutputSettings& s) mutable {
    // A running server on the same address and port is kept, its clients connected, whatever
    // else changed: they take the records as the record now makes them.
    if (s.SeedLink && server.Running() && s.SeedLinkAddress == address && s.SeedLinkPort == port) return;
    // Otherwise started anew: the kept hour and its sequence numbers survive a restart, so
    // clients that connect again resume where they were.
    server.Stop();
    record.SetRecordSink({});
    if (!s.SeedLink) return;
    address = s.SeedLinkAddress;
    port = s.SeedLinkPort;
    if (const TStatus started = server.Start(address, port); !started) {
      if (log) log("SeedLink: " + started.Error().Message);
      return;
    }
    record.SetRecordSink([&server](const std::uint8_t* r, std::size_t length) {
      if (length == MiniSeedRecordBytes) server.Publish(r);
    });
  };
}

}  // namespace tevra
