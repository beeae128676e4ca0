#include "sensor/PortPermission.h"

#include <cerrno>

#include "sensor/VXTRRR.h"

namespace tevra {

bool PortPermissionDenied(const RS232C* port) {
  if (!port || port->Opened()) return false;
  const int err = port->Opened().Error().Errno;
  return err == EACCES || err == EPERM;
}

std::string SensorErrorTextFor(int readerStatus, const RS232C* port) {
  if (!PortPermissionDenied(port)) {
    std::string text = SensorErrorText(readerStatus);
    // Why the port did not open, for whoever has to mend it.
    if (port && !port->Opened()) text += "\n" + port->Opened().Error().Message;
    return text;
  }
  return "シリアルポート " + port->Device() +
         " を開く権限がありません。ユーザを dialout グループに加えて、ログインし直してください";
}

}  // namespace tevra
