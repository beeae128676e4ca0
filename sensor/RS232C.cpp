#include "sensor/RS232C.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "sensor/CustomBaud.h"

namespace tevra {
namespace {

// Line-error bits as the first platform reports them.
constexpr unsigned ErrorRxOver = 0x0001;
constexpr unsigned ErrorOverrun = 0x0002;
constexpr unsigned ErrorParity = 0x0004;
constexpr unsigned ErrorFrame = 0x0008;
constexpr unsigned ErrorBreak = 0x0010;

bool SpeedConstant(unsigned baud, speed_t& speed) {
  static constexpr struct {
    unsigned Baud;
    speed_t Speed;
  } table[] = {{50, B50},           {75, B75},           {110, B110},         {134, B134},
               {150, B150},         {200, B200},         {300, B300},         {600, B600},
               {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
               {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
               {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
               {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
               {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
               {3500000, B3500000}, {4000000, B4000000}};
  for (const auto& e : table) {
    if (e.Baud == baud) {
      speed = e.Speed;
      return true;
    }
  }
  return false;
}

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
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  // The lock is the exclusive-access test between programs; TIOCEXCL keeps out other openers too.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return;
  }
  Handle_ = fd;
  exclusive_ = ::ioctl(fd, TIOCEXCL) == 0;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return;
  if (::tcgetattr(fd, &device_state_) != 0) return;
  if (!BuildLineSettings(lineSettings, Dcb_)) return;
  if (ApplyState() != PortReady) return;
  SetReadTimeout(0);
  ReadCounters(counters_);
}

RS232C::~RS232C() {
  if (Handle_ < 0) return;
  // The exclusive flag of a pseudo-terminal outlives this close while its master is open and would
  // refuse the next open to anyone but root.
  if (exclusive_) ::ioctl(Handle_, TIOCNXCL);
  ::close(Handle_);
}

std::uint8_t RS232C::ApplyState() {
  status_ = PortNotReady;
  if (Handle_ < 0) return status_;
  termios t = device_state_;
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  // Reads never block in the driver; the wait is the poll in Read.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (Dcb_.DataBits != 0) {
    t.c_cflag &= ~CSIZE;
    t.c_cflag |= Dcb_.DataBits == 5 ? CS5 : Dcb_.DataBits == 6 ? CS6 : Dcb_.DataBits == 7 ? CS7 : CS8;
  }
  switch (Dcb_.Parity) {
    case 'N':
      t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
      break;
    case 'O':
      t.c_cflag = (t.c_cflag & ~CMSPAR) | PARENB | PARODD;
      break;
    case 'E':
      t.c_cflag = (t.c_cflag & ~(CMSPAR | PARODD)) | PARENB;
      break;
    case 'M':
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 'S':
      t.c_cflag = (t.c_cflag & ~PARODD) | PARENB | CMSPAR;
      break;
    default:
      break;
  }
  // With five data bits the UART sends 1.5 stop bits for CSTOPB.
  if (Dcb_.StopTenths == 10) t.c_cflag &= ~CSTOPB;
  if (Dcb_.StopTenths == 15 || Dcb_.StopTenths == 20) t.c_cflag |= CSTOPB;
  bool custom = false;
  if (Dcb_.Baud != 0) {
    speed_t speed = B0;
    if (SpeedConstant(Dcb_.Baud, speed)) {
      ::cfsetispeed(&t, speed);
      ::cfsetospeed(&t, speed);
    } else {
      custom = true;
    }
  }
  if (::tcsetattr(Handle_, TCSANOW, &t) != 0) return status_;
  if (custom && !SetCustomBaud(Handle_, Dcb_.Baud)) return status_;
  status_ = PortReady;
  return status_;
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
    if (r <= 0 || (p.revents & POLLIN) == 0) return 0;  // timeout, or a device that went away
    const ssize_t n = ::read(Handle_, buffer, static_cast<std::size_t>(count));
    if (n < 0 && errno == EINTR) continue;
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
