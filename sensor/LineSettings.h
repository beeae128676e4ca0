#pragma once
// The line-settings text of a serial port, "baud=9600 parity=N data=8 stop=1": blank-separated
// key=value pieces. A key that is absent leaves that setting of the device as it is.
#include <string_view>

namespace tevra {

struct TLineSettings {
  unsigned Baud = 0;   // bits per second; 0: keep
  char Parity = 0;     // 'N', 'O', 'E', 'M' (mark) or 'S' (space); 0: keep
  int DataBits = 0;    // 5..8; 0: keep
  int StopTenths = 0;  // 10, 15 or 20; 0: keep
};

// False for an unknown key, an empty parity piece, a parity letter other than N/O/E/M/S (either
// case), a baud rate of 0 or not a number, data bits outside 5..8, stop bits other than 1, 1.5, 2.
bool BuildLineSettings(std::string_view text, TLineSettings& settings);

}  // namespace tevra
