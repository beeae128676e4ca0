#include "sensor/SerialLink.h"

namespace tevra {

int TSerialLink::ReadLine(char* buffer, char terminator, int size, const std::function<bool()>& inTime) {
  if (size <= 0) return 0;
  int count = 0;
  for (;;) {
    if ((inTime && !inTime()) || Read(buffer + count, 1) != 1 || count == size - 1) break;
    if (buffer[count] == terminator) {
      buffer[count + 1] = '\0';
      return count;
    }
    ++count;
  }
  buffer[count] = '\0';
  return -count;
}

}  // namespace tevra
