#pragma once
// Line settings applied through the kernel's termios2 (TCGETS2/TCSETS2). Any rate works with
// BOTHER (14400 has no B constant), and the C library's check that rejects a pseudo-terminal for
// dropping parity bits is not in the way: such a device simply keeps what it can do. Kept apart
// because the kernel's termios header cannot live beside <termios.h>.
#include "base/Result.h"
#include "sensor/LineSettings.h"

namespace tevra {

// The device's settings as they were, opaque outside this unit.
struct TKernelTermios {
  alignas(8) unsigned char Bytes[64] = {};
};

// Fails ("TCGETS2: ...") when `fd` is not a terminal.
TStatus GetKernelTermios(int fd, TKernelTermios& state);
// `state` in raw mode with CLOCAL and CREAD, no flow control, reads that never block in the
// driver, and every setting of `settings` that is not 0. Fails ("TCSETS2: ...") when the device
// refuses.
TStatus ApplyKernelTermios(int fd, const TKernelTermios& state, const TLineSettings& settings);

}  // namespace tevra
