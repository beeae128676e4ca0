// tevra-monitor: a headless look at a sensor line, as the panel would see it.
#include <signal.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/PlainPlatform.h"
#include "sensor/PortPermission.h"
#include "sensor/RS232C.h"
#include "sensor/VXTRRR.h"
#include "tools/monitor/MonitorLoop.h"

namespace {

constexpr const char* kUsage =
    "usage: tevra-monitor DEVICE [--seconds S]\n"
    "  opens DEVICE at 9600 8N1, checks the sensor, starts as the panel does and then reads every\n"
    "  100 ms; prints '<hh:mm:ss> <intensity> <largest composite gal of the tick>' for every new\n"
    "  intensity, 'error <status> <text>' for every failure, and a count of frames and failures at\n"
    "  the end (after S seconds, or on SIGINT/SIGTERM)\n";

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

}  // namespace

int main(int argc, char** argv) {
  std::string device;
  double seconds = 0.0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--seconds" && i + 1 < argc) {
      const char* v = argv[++i];
      const char* end = v + std::strlen(v);
      const auto [ptr, ec] = std::from_chars(v, end, seconds);
      if (ec != std::errc() || ptr != end || !(seconds > 0) || !std::isfinite(seconds)) {
        std::fprintf(stderr, "tevra-monitor: bad value for --seconds: %s\n%s", v, kUsage);
        return 2;
      }
    } else if (device.empty() && !arg.empty() && arg[0] != '-') {
      device = arg;
    } else {
      std::fprintf(stderr, "tevra-monitor: unexpected argument %s\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  if (device.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);

  tevra::TPlainPlatform platform;
  TDevicePort port(device);
  tevra::VXTRRR reader(port, platform);
  // A port the user may not open is named as such, not as a silent line.
  tevra::RunMonitor(reader, platform, seconds, &gStop, stdout,
                    [&port](int status) { return tevra::SensorErrorTextFor(status, port.Port()); });
  return 0;
}
