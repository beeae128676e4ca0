// The line speed a terminal keeps, read back through termios2. Apart from the tests that use it
// because the kernel's termios header cannot live beside <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace tevra::test {

// Bits per second of the input (`input`) or output side; 0 when `fd` is not a terminal.
unsigned KeptLineSpeed(int fd, bool input) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return input ? t.c_ispeed : t.c_ospeed;
}

}  // namespace tevra::test
