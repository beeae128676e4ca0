#pragma once
// A pseudo-terminal for serial tests: the test writes to the master, the code under test opens
// the slave by its path.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace tevra::test {

class TPty {
 public:
  TPty() { Open(); }
  ~TPty() { CloseMaster(); }
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  // A fresh terminal, as a device that comes back under a new node (the old one is closed).
  void Open() {
    CloseMaster();
    SlavePath.clear();
    Master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) return;
    char name[128];
    if (ptsname_r(Master, name, sizeof name) != 0) return;
    SlavePath = name;
    termios t{};
    if (tcgetattr(Master, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(Master, TCSANOW, &t);
    }
  }

  bool Write(const std::string& bytes) {
    return Master >= 0 && ::write(Master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  void CloseMaster() {
    if (Master >= 0) ::close(Master);
    Master = -1;
  }

  int Master = -1;
  std::string SlavePath;
};

// Waits (up to two seconds) until the terminal `fd` has at least `n` bytes to read: the pty
// hands written bytes over asynchronously.
inline bool WaitForBytes(int fd, std::size_t n) {
  for (int i = 0; i < 2000; ++i) {
    int queued = 0;
    if (ioctl(fd, FIONREAD, &queued) == 0 && static_cast<std::size_t>(queued) >= n) return true;
    usleep(1000);
  }
  return false;
}

}  // namespace tevra::test
