#include "output/DataOutputSeedLink.h"

namespace tevra {

void LinkSeedLinkServer(TDataOutput& record, TSeedLinkServer& server, TDataOutput::TLog log) {
  record.OnConfigure = [&record, &server, log = std::move(log)](const TDataOutputSettings& s) {
    // Started anew on every change: the kept hour and its sequence numbers survive a restart,
    // so connected clients resume where they were.
    server.Stop();
    record.SetRecordSink({});
    if (!s.SeedLink) return;
    if (!server.Start(s.SeedLinkAddress, s.SeedLinkPort)) {
      if (log) log("SeedLink: " + server.Error());
      return;
    }
    record.SetRecordSink([&server](const std::uint8_t* r, std::size_t length) {
      if (length == 512) server.Publish(r);
    });
  };
}

}  // namespace tevra
