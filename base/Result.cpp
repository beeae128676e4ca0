#include "base/Result.h"

#include <cstring>

namespace tevra {

std::string ErrnoText(int err) {
  const char* description = ::strerrordesc_np(err);
  return description ? description : "Unknown error " + std::to_string(err);
}

TError SystemError(std::string_view call, int err) {
  return {std::string(call) + ": " + ErrnoText(err), err};
}

TError InContext(std::string_view context, TError error) {
  error.Message = std::string(context) + ": " + error.Message;
  return error;
}

}  // namespace tevra
