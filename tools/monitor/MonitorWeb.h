#pragma once
// The monitor's figures for its web page: every tick and change of state goes to the web server as
// a snapshot. The monitor keeps no history, event log or alarms, so the page shows none.
#include <string>

#include "seedlink/SeedLinkServer.h"
#include "tools/monitor/MonitorLoop.h"
#include "tools/monitor/MonitorOptions.h"
#include "web/WebServer.h"

namespace tevra {

class TMonitorWeb : public TMonitorObserver {
 public:
  TMonitorWeb(TWebServer& server, const TMonitorOptions& options);
  void Tick(const TickProcessor& tick, const TLineHealth& health, std::int64_t utcMicros) override;
  void Measuring(bool measuring) override;

 private:
  TWebServer& server_;
  std::string folder_;  // whose free space the page shows: the archive's
  std::int64_t healthSecond_ = -1;
  TWebSnapshot snapshot_;
};

// Starts `server` as `options` ask; an error when the token file cannot be used or the server
// cannot listen (its reason also went to the server's log).
TStatus StartMonitorWeb(TWebServer& server, const TMonitorOptions& options, const TSeedLinkServer& seedlink);

}  // namespace tevra
