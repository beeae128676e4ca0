#include "base/Result.h"

#include <cstring>

namespace tevra {

TError SystemError(std::string_view call, int err) {
  const char* description = ::strerrordesc_np(err);
  std::string message(call);
  message += ": ";
  message += description ? description : "Unknown error " + std::to_string(err);
  return {std::move(message), err};
}

TError InContext(std::string_view context, TError error) {
  error.Message = std::string(context) + ": " + error.Message;
  return error;
}

}  // namespace tevra
