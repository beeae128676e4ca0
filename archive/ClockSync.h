#pragma once
// Whether the system clock is synchronised (NTP, PTP...), as the kernel's clock discipline tells.
namespace tevra {

// False when the kernel reports the clock unsynchronised (STA_UNSYNC) or cannot be asked.
bool SystemClockSynced();

}  // namespace tevra
