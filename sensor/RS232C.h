#pragma once
// The sensor's serial port on a termios device. The only place in the program that knows termios.
// Opening claims the device exclusively (flock, then TIOCEXCL); a second opener gets a port that is
// not ready. Nothing is ever written to the port.
#include <cstdint>
#include <string>

#include "base/Result.h"
#include "sensor/KernelTermios.h"
#include "sensor/LineSettings.h"
#include "sensor/SerialLink.h"

namespace tevra {

class RS232C final : public TSerialLink {
 public:
  static constexpr std::uint8_t PortNotReady = 2;
  static constexpr std::uint8_t PortReady = 3;

  struct TTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
  };

  // The device of COM port n when none is configured: /dev/ttyS<n-1>.
  static std::string DefaultDeviceName(int portNumber);

  // Opens `device` for COM port `portNumber` with the line-settings text; Status() tells the
  // outcome, Opened() the reason of a failure.
  RS232C(int portNumber, const std::string& lineSettings, const std::string& device);
  ~RS232C() override;
  RS232C(const RS232C&) = delete;
  RS232C& operator=(const RS232C&) = delete;

  // Applies Dcb to the device; the new status. A port whose open failed stays as it is.
  std::uint8_t ApplyState();
  // Reads return what has arrived at once, else wait up to `constantMs`. Non-zero on success.
  int SetReadTimeout(std::uint32_t constantMs);

  int Read(char* buffer, int count) override;
  int Purge(unsigned flags) override;
  unsigned ClearCommError() override;
  bool HungUp() const override { return hungUp_; }

  std::uint8_t Status() const { return status_; }
  // Why the port is not ready, naming the device and the call that failed
  // ("/dev/ttyUSB0: flock: Resource temporarily unavailable"); its Errno is EACCES for a user
  // outside the device's group. Ok once the port is ready.
  const TStatus& Opened() const { return opened_; }
  int PortNumber() const { return PortNumber_; }
  const std::string& Device() const { return device_; }
  int Handle() const { return Handle_; }
  const TTimeouts& Timeouts() const { return Timeouts_; }
  const TLineSettings& Dcb() const { return Dcb_; }

 private:
  struct TCounters {
    int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufferOverrun = 0;
  };
  bool ReadCounters(TCounters& c) const;
  // Opens and claims the device and reads its settings; the failed call when it cannot.
  TStatus Open(const std::string& lineSettings);
  void Fail(TError error);

  int PortNumber_;
  int Handle_ = -1;
  TTimeouts Timeouts_;
  TLineSettings Dcb_;
  std::uint8_t status_ = PortNotReady;
  std::string device_;
  TStatus opened_ = TError{"not opened yet"};
  bool exclusive_ = false;
  bool hungUp_ = false;
  TKernelTermios device_state_;
  TCounters counters_;
};

}  // namespace tevra
