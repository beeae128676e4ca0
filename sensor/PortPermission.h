#pragma once
// A serial port that would not open because the user may not use it. Serial devices belong to
// the group "dialout"; a user outside it gets EACCES, which the reader alone would only report
// as a silent line.
#include <string>

#include "sensor/RS232C.h"

namespace tevra {

// True when `port` exists and its device refused the open for lack of permission.
bool PortPermissionDenied(const RS232C* port);

// The sensor-error text (UTF-8) for a reader status, followed on a line of its own by the reason
// when the port did not open ("/dev/ttyUSB0: flock: Resource temporarily unavailable"); the
// permission text instead when the port could not be opened for lack of permission.
std::string SensorErrorTextFor(int readerStatus, const RS232C* port);

}  // namespace tevra
