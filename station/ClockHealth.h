#pragma once
// The clock's line in the status bar; the probe itself is base/ClockSync.h.
#include <string>

#include "base/ClockSync.h"

namespace tevra {

// The status-bar text (UTF-8): "時刻同期 ±0.5ms", "時刻未同期" or "時刻 不明".
std::string ClockHealthText(const TClockHealth& health);

}  // namespace tevra
