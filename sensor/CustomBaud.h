#pragma once
// Rates without a termios constant (14400, 4000 ...) through termios2 and BOTHER. Kept apart
// because the kernel's termios2 header cannot live beside <termios.h>.
namespace tevra {

// Sets input and output speed of the open tty `fd` to `baud`; false when the device refuses.
bool SetCustomBaud(int fd, unsigned baud);

}  // namespace tevra
