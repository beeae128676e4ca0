#pragma once
// Whether the system clock is synchronised: every time stamp the panel writes and sends depends
// on it. The kernel's NTP state is read through a query function, so tests can fake it.
#include <functional>
#include <string>

namespace tevra {

// The kernel's answer to an NTP state query (ntp_adjtime without changes).
struct TClockReading {
  int State = 0;              // the call's result: TIME_OK ... TIME_ERROR
  int Status = 0;             // STA_* flags
  long EstimatedErrorUs = 0;  // esterror
};
// Fills `reading`; false when the query itself failed.
using TClockQuery = std::function<bool(TClockReading& reading)>;
bool KernelClockQuery(TClockReading& reading);

struct TClockHealth {
  bool Known = false;  // the query answered
  bool Synchronised = false;
  long EstimatedErrorUs = 0;
};

// Synchronised unless the kernel reports STA_UNSYNC or the error state.
TClockHealth ReadClockHealth(const TClockQuery& query);

// The status-bar text (UTF-8): "時刻同期 ±0.5ms", "時刻未同期" or "時刻 不明".
std::string ClockHealthText(const TClockHealth& health);

}  // namespace tevra
