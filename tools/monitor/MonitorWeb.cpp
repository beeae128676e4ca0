#include "tools/monitor/MonitorWeb.h"

#include "web/WebRules.h"

#ifndef TEVRA_VERSION
#define TEVRA_VERSION "0"
#endif

namespace tevra {

TMonitorWeb::TMonitorWeb(TWebServer& server, const TMonitorOptions& options)
    : server_(server), folder_(options.Output.Archive ? options.Output.ArchiveFolder : ".") {
  snapshot_.Network = options.Output.Network;
  snapshot_.Station = options.Output.Station;
  snapshot_.Location = options.Output.Location;
  snapshot_.Version = TEVRA_VERSION;
  server_.Publish(snapshot_, nullptr, 0);
}

void TMonitorWeb::Tick(const TickProcessor& tick, const TLineHealth& health, std::int64_t utcMicros) {
  if (tick.IntensityUpdated) {
    snapshot_.TimeMs = utcMicros / 1000;
    snapshot_.Intensity = tick.CurrentIntensity;
    snapshot_.SvaCmS = tick.LongPeriod.LastMinute().Sva;
    snapshot_.AccelerationGal = tick.TickMaxComposite;
  }
  if (utcMicros / 1'000'000 != healthSecond_) {  // the kernel is asked once a second
    healthSecond_ = utcMicros / 1'000'000;
    RefreshWebHealth(snapshot_, folder_);
  }
  snapshot_.FramesPerSecond = health.FramesPerSecond();
  snapshot_.Errors = health.FormatErrors() + health.ValueErrors();
  server_.Publish(snapshot_, tick.TickSamples.data(), tick.SampleCount);
}

void TMonitorWeb::Measuring(bool measuring) {
  const TStationState state = measuring ? TStationState::Measuring : TStationState::Reconnecting;
  if (state == snapshot_.State) return;
  snapshot_.State = state;
  server_.Publish(snapshot_, nullptr, 0);
}

TStatus StartMonitorWeb(TWebServer& server, const TMonitorOptions& options, const TSeedLinkServer& seedlink) {
  TWebServerOptions web;
  web.Address = options.WebAddress;
  web.Port = options.WebPort;
  if (!options.WebTokenFile.empty()) {
    TResult<std::string> token = ReadTokenFile(options.WebTokenFile);
    if (!token) return token.Error();
    web.Token = std::move(token).Value();
  }
  web.Ring = &seedlink.Ring();
  web.Identity = &seedlink.Identity();
  return server.Start(web);
}

}  // namespace tevra
