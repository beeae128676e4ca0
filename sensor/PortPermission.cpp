#include "sensor/PortPermission.h"

#include <cerrno>

#include "sensor/VXTRRR.h"

namespace tevra {

bool PortPermissionDenied(const RS232C* port) {
  return port && (port->OpenError() == EACCES || port->OpenError() == EPERM);
}

std::string SensorErrorTextFor(int readerStatus, const RS232C* port) {
  if (!PortPermissionDenied(port)) return SensorErrorText(readerStatus);
  return "シリアルポート " + port->Device() +
         " を開く権限がありません。ユーザを dialout グループに加えて、ログインし直してください";
}

}  // namespace tevra
