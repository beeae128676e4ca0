#pragma once
// The owner of the sensor port: the "ComPort.ini" settings and the one open RS232C. The COM port
// dialog keeps one for the whole run; the frame reader reaches the port through it.
#include <functional>
#include <memory>
#include <string>

#include "settings/Profile.h"
#include "sensor/RS232C.h"
#include "sensor/SerialLink.h"

namespace tevra {

class ComPort final : public TPortOwner {
 public:
  static constexpr const char* DefaultFileName = "ComPort.ini";
  static constexpr const char* Section = "RS232C";
  static constexpr const char* DevicesSection = "Devices";
  // The dialog's status label, twelve characters each.
  static constexpr const char* ReadyText = "Ready       ";
  static constexpr const char* NotReadyText = "Not Ready   ";
  static constexpr std::uint32_t ReadTimeoutMs = 100;

  using StatusCallback = std::function<void(const std::string& labelText)>;

  // Reads the settings file (writing its defaults when it is missing) and opens the port.
  // `onStatus` receives the label text of every OpenPort, this first one included.
  explicit ComPort(const std::string& fileName = DefaultFileName, StatusCallback onStatus = {});

  // Builds the line settings from the file and replaces the port (the old one is always closed
  // first, so the device is never claimed twice). Returns the label text.
  const std::string& OpenPort(bool reopen);

  // "baud=%d parity=%c data=%d stop=%d" from the file; the parity piece is empty for an empty value.
  std::string LineSettingsText() const;
  // The device of COM port n: key COMn of section Devices, else /dev/ttyS<n-1>.
  std::string DeviceName(int portNumber) const;

  Profile& Settings() { return settings_; }
  const Profile& Settings() const { return settings_; }
  RS232C* Port() { return port_.get(); }
  const RS232C* Port() const { return port_.get(); }
  const std::string& StatusText() const { return statusText_; }
  // Why the current port is not ready ("/dev/ttyS0: open: No such file or directory"); Ok when
  // it is.
  TStatus Readiness() const;
  void SetStatusCallback(StatusCallback onStatus) { onStatus_ = std::move(onStatus); }

  TSerialLink* CurrentPort() override { return port_.get(); }
  void ReopenPort() override { OpenPort(true); }

 private:
  Profile settings_;
  std::unique_ptr<RS232C> port_;
  std::string statusText_;
  StatusCallback onStatus_;
};

// The sensor-error text (UTF-8) for the port `owner` opened. A settings file that is there but
// cannot be read left the port on its defaults, the likely cause: that is said first.
std::string SensorErrorTextFor(int readerStatus, const ComPort& owner);

}  // namespace tevra
