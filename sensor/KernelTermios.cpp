#include "sensor/KernelTermios.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cstring>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace tevra {

static_assert(sizeof(termios2) <= sizeof(TKernelTermios::Bytes));

TStatus GetKernelTermios(int fd, TKernelTermios& state) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return SystemError("TCGETS2");
  std::memcpy(state.Bytes, &t, sizeof t);
  return {};
}

TStatus ApplyKernelTermios(int fd, const TKernelTermios& state, const TLineSettings& s) {
  termios2 t{};
  std::memcpy(&t, state.Bytes, sizeof t);
  // Raw mode, as cfmakeraw makes it.
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | PARENB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (s.DataBits != 0) {
    t.c_cflag &= ~CSIZE;
    t.c_cflag |= s.DataBits == 5 ? CS5 : s.DataBits == 6 ? CS6 : s.DataBits == 7 ? CS7 : CS8;
  }
  switch (s.Parity) {
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
  if (s.StopTenths == 10) t.c_cflag &= ~CSTOPB;
  if (s.StopTenths == 15 || s.StopTenths == 20) t.c_cflag |= CSTOPB;
  if (s.Baud != 0) {
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = s.Baud;
    t.c_ospeed = s.Baud;
  }
  if (ioctl(fd, TCSETS2, &t) != 0) return SystemError("TCSETS2");
  return {};
}

}  // namespace tevra
