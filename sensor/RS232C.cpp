#include "sensor/RS232C.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "sensor/KernelTermios.h"

namespace tevra {
namespace {

// Line-error bits as the first platform reports them.
constexpr unsigned ErrorRxOver = 0x0001;
constexpr unsigned ErrorOverrun = 0x0002;
constexpr unsigned ErrorParity = 0x0004;
constexpr unsigned ErrorFrame = 0x0008;
constexpr unsigned ErrorBreak = 0x0010;

std::int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

std::string RS232C::DefaultDeviceName(int portNumber) {
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

RS232C::RS232C(int portNumber, const std::string& lineSettings, const std::string& device)
    : PortNumber_(portNumber), device_(device) {
  if (const TStatus opened = Open(lineSettings); !opened) {
    Fail(opened.Error());
    return;
  }
  if (ApplyState() != PortReady) return;
  SetReadTimeout(0);
  ReadCounters(counters_);
}

TStatus RS232C::Open(const std::string& lineSettings) {
  const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return SystemError("open");
  // The lock is the exclusive-access test between programs; TIOCEXCL keeps out other openers too.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const TError locked = SystemError("flock");
    ::close(fd);
    return locked;
  }
  Handle_ = fd;
  exclusive_ = ::ioctl(fd, TIOCEXCL) == 0;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return SystemError("fcntl F_GETFL");
  if (::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return SystemError("fcntl F_SETFL");
  if (TStatus got = GetKernelTermios(fd, device_state_); !got) return got;
  if (!BuildLineSettings(lineSettings, Dcb_)) {
    return TError{"line settings not understood: \"" + lineSettings + "\""};
  }
  return {};
}

RS232C::~RS232C() {
  if (Handle_ < 0) return;
  // The exclusive flag of a pseudo-terminal outlives this close while its master is open and would
  // refuse the next open to anyone but root.
  if (exclusive_) ::ioctl(Handle_, TIOCNXCL);
  ::close(Handle_);
}

std::uint8_t RS232C::ApplyState() {
  if (Handle_ < 0) return status_;
  const TStatus applied = ApplyKernelTermios(Handle_, device_state_, Dcb_);
  if (!applied) {
    Fail(applied.Error());
  } else {
    opened_ = {};
    status_ = PortReady;
  }
  return status_;
}

void RS232C::Fail(TError error) {
  opened_ = InContext(device_, std::move(error));
  status_ = PortNotReady;
}

int RS232C::SetReadTimeout(std::uint32_t constantMs) {
  if (Handle_ < 0) {
    status_ = PortNotReady;
    return 0;
  }
  Timeouts_.ReadIntervalTimeout = 0xFFFFFFFFu;
  Timeouts_.ReadTotalTimeoutMultiplier = 0;
  Timeouts_.ReadTotalTimeoutConstant = constantMs;
  Timeouts_.WriteTotalTimeoutMultiplier = 0;
  Timeouts_.WriteTotalTimeoutConstant = 0;
  return 1;
}

int RS232C::Read(char* buffer, int count) {
  if (Handle_ < 0 || status_ != PortReady || count <= 0) return 0;
  const std::uint32_t wait = Timeouts_.ReadTotalTimeoutConstant;
  const std::int64_t deadline = NowMs() + (wait > INT_MAX ? INT_MAX : wait);
  for (;;) {
    pollfd p{Handle_, POLLIN, 0};
    const std::int64_t left = deadline - NowMs();
    const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return 0;  // timeout
    const bool gone = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    if ((p.revents & POLLIN) == 0) {
      hungUp_ = hungUp_ || gone;
      return 0;
    }
    const ssize_t n = ::read(Handle_, buffer, static_cast<std::size_t>(count));
    if (n < 0 && errno == EINTR) continue;
    // Bytes still queued are read first; after them the device says it is gone.
    if (n < 0 && (errno == EIO || errno == ENODEV || errno == ENXIO)) hungUp_ = true;
    if (n == 0 && gone) hungUp_ = true;
    return n > 0 ? static_cast<int>(n) : 0;
  }
}

int RS232C::Purge(unsigned flags) {
  if (Handle_ < 0) return 0;
  int ok = 1;
  if ((flags & PurgeRxClear) != 0 && ::tcflush(Handle_, TCIFLUSH) != 0) ok = 0;
  if ((flags & PurgeTxClear) != 0 && ::tcflush(Handle_, TCOFLUSH) != 0) ok = 0;
  return ok;
}

bool RS232C::ReadCounters(TCounters& c) const {
  serial_icounter_struct ic{};
  if (Handle_ < 0 || ::ioctl(Handle_, TIOCGICOUNT, &ic) != 0) return false;
  c = {ic.frame, ic.overrun, ic.parity, ic.brk, ic.buf_overrun};
  return true;
}

unsigned RS232C::ClearCommError() {
  TCounters now;
  if (!ReadCounters(now)) return 0;  // no counters: a pseudo-terminal or a plain tty
  unsigned mask = 0;
  if (now.BufferOverrun != counters_.BufferOverrun) mask |= ErrorRxOver;
  if (now.Overrun != counters_.Overrun) mask |= ErrorOverrun;
  if (now.Parity != counters_.Parity) mask |= ErrorParity;
  if (now.Frame != counters_.Frame) mask |= ErrorFrame;
  if (now.Break != counters_.Break) mask |= ErrorBreak;
  counters_ = now;
  return mask;
}

}  // namespace tevra
