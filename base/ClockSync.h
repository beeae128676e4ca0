#pragma once
// Whether the system clock is synchronised (NTP, PTP...), as the kernel's clock discipline tells:
// every time stamp the panel writes, sends and archives depends on it. One rule for all who ask.
// The kernel's state is read through a query function, so tests can fake it.
#include <functional>

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

// The kernel's clock, asked now: false when unsynchronised or when it cannot be asked.
bool SystemClockSynced();

}  // namespace tevra
