// tevra-monitor: a headless look at a sensor line, as the panel would see it.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "base/HeapPolicy.h"
#include "base/PlainPlatform.h"
#include "mqtt/MqttStation.h"
#include "archive/DataOutputSeedLink.h"
#include "archive/StationXml.h"
#include "sensor/PortPermission.h"
#include "sensor/RS232C.h"
#include "sensor/VXTRRR.h"
#include "tools/monitor/MonitorLoop.h"
#include "tools/monitor/MonitorMqtt.h"
#include "tools/monitor/MonitorOptions.h"
#include "tools/monitor/MonitorWeb.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) {
  gStop = 1;
}

// The port owner of one fixed device: reopening closes it and opens it again.
class TDevicePort : public tevra::TPortOwner {
 public:
  explicit TDevicePort(std::string device) : device_(std::move(device)) { ReopenPort(); }
  tevra::TSerialLink* CurrentPort() override { return port_.get(); }
  const tevra::RS232C* Port() const { return port_.get(); }
  void ReopenPort() override {
    port_.reset();
    port_ = std::make_unique<tevra::RS232C>(1, "baud=9600 parity=N data=8 stop=1", device_);
    if (port_->Status() == tevra::RS232C::PortReady) port_->SetReadTimeout(100);
  }

 private:
  std::string device_;
  std::unique_ptr<tevra::RS232C> port_;
};

// A log callback that prints each line after `prefix` on standard output at once.
std::function<void(const std::string&)> PrintedAs(const char* prefix) {
  return [prefix](const std::string& line) {
    std::printf("%s %s\n", prefix, line.c_str());
    std::fflush(stdout);
  };
}

// Writes the StationXML file when one is asked for; false (said on stderr) when it cannot.
bool WriteAskedStationXml(tevra::TMonitorOptions& options) {
  if (options.StationXmlFile.empty()) return true;
  const std::time_t now = std::time(nullptr);
  options.Output.StartDate = tevra::StartDateFor(options.Output, now);
  if (tevra::WriteStationXml(options.StationXmlFile, options.Output, options.Output.Station, now)) return true;
  std::fprintf(stderr, "tevra-monitor: cannot write %s\n", options.StationXmlFile.c_str());
  return false;
}

// The MQTT station and the figures it publishes, when asked for.
struct TMqttRoute {
  std::unique_ptr<tevra::TMqttStation> Station;
  std::unique_ptr<tevra::TMonitorMqtt> Figures;

  // False (said on stderr) when the settings cannot be used.
  bool Start(const tevra::TMonitorOptions& options, tevra::TMonotonicClock& clock,
             tevra::TMonitorObservers& observers) {
    if (!options.Mqtt.Enabled) return true;
    const tevra::TResult<tevra::TMqttStationConfig> config = tevra::MqttStationConfigFor(
        options.Mqtt, "monitor", options.Output.Network, options.Output.Station, TEVRA_VERSION, false);
    if (!config) {
      std::fprintf(stderr, "tevra-monitor: %s\n", config.Error().Message.c_str());
      return false;
    }
    Station = std::make_unique<tevra::TMqttStation>(config.Value(), PrintedAs("mqtt"));
    Figures = std::make_unique<tevra::TMonitorMqtt>(*Station, clock);
    observers.push_back(Figures.get());
    return true;
  }
  // The offline state goes out before the connection closes.
  void Stop() {
    if (!Station) return;
    Figures->Stopped();
    Station->Stop();
  }
};

// Starts the web page when asked for; false (said on stderr) when it cannot listen.
bool StartWeb(const tevra::TMonitorOptions& options, tevra::TWebServer& web, const tevra::TSeedLinkServer& server,
              std::unique_ptr<tevra::TMonitorWeb>& figures, tevra::TMonitorObservers& observers) {
  if (!options.Web) return true;
  if (const tevra::TStatus started = tevra::StartMonitorWeb(web, options, server); !started) {
    std::fprintf(stderr, "tevra-monitor: %s\n", started.Error().Message.c_str());
    return false;
  }
  std::printf("web listening on %s:%d\n", options.WebAddress.c_str(), web.Port());
  std::fflush(stdout);
  figures = std::make_unique<tevra::TMonitorWeb>(web, options);
  observers.push_back(figures.get());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  tevra::ReturnLargeBuffersToSystem();
  tevra::TResult<tevra::TMonitorOptions> parsed = tevra::ParseMonitorOptions(argc, argv);
  if (!parsed) {
    std::fprintf(stderr, "tevra-monitor: %s\n%s", parsed.Error().Message.c_str(), tevra::kMonitorUsage);
    return 2;
  }
  tevra::TMonitorOptions options = std::move(parsed).Value();
  if (options.Help) {
    std::fputs(tevra::kMonitorUsage, stdout);
    return 0;
  }
  if (!WriteAskedStationXml(options)) return 1;
  if (options.Device.empty()) return 0;
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);

  tevra::TPlainPlatform platform;
  TDevicePort port(options.Device);
  tevra::VXTRRR reader(port, platform);
  // Before the record: the record's last records go out to it when the record ends.
  tevra::TSeedLinkServer server({}, PrintedAs("seedlink"));
  tevra::TDataOutput record(PrintedAs("archive"));
  tevra::LinkSeedLinkServer(record, server, PrintedAs("seedlink"));
  record.Configure(options.Output);
  if (options.Output.SeedLink && !server.Running()) return 1;
  if (server.Running()) {
    std::printf("seedlink listening on %s:%d\n", options.Output.SeedLinkAddress.c_str(), server.Port());
    std::fflush(stdout);
  }
  tevra::TMonitorObservers observers;
  TMqttRoute mqtt;
  if (!mqtt.Start(options, platform, observers)) return 2;
  tevra::TWebServer web(PrintedAs("web"));
  std::unique_ptr<tevra::TMonitorWeb> webFigures;
  if (!StartWeb(options, web, server, webFigures, observers)) return 1;
  // Why the port did not open, said once; each failure line after it gives the reason of its moment.
  if (const tevra::TStatus& opened = port.Port()->Opened(); !opened) {
    std::fprintf(stderr, "tevra-monitor: %s\n", opened.Error().Message.c_str());
  }
  // A port the user may not open is named as such, not as a silent line.
  tevra::RunMonitor(reader, platform, options.Seconds, &gStop, stdout, record.Active() ? &record : nullptr,
                    [&port](int status) { return tevra::SensorErrorTextFor(status, port.Port()); },
                    observers);
  mqtt.Stop();
  return 0;
}
