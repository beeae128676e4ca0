#pragma once
// One way to fail: a function that can fail for a reason a person should read returns a value or
// the reason, never a flag beside an error string or an empty text for success. The message names
// what failed ("flock: Resource temporarily unavailable"); Errno keeps the system's code for
// callers that act on it (EACCES: the user is not in the device's group).
#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace tevra {

struct TError {
  std::string Message;
  int Errno = 0;  // 0 when the failure is not the system's
};

// The failure of system call `call`: "call: <the C library's English description of err>".
// English whatever the locale, so a log read far away means the same everywhere.
TError SystemError(std::string_view call, int err = errno);
// The C library's English description of `err` alone, for a message that places it itself.
std::string ErrnoText(int err = errno);
// `context` before a failure's message: "/dev/ttyUSB0: flock: ...". The errno stays.
TError InContext(std::string_view context, TError error);

template <class T>
class [[nodiscard]] TResult {
 public:
  TResult(T value) : v_(std::move(value)) {}
  TResult(TError error) : v_(std::move(error)) {}

  bool Ok() const { return v_.index() == 0; }
  explicit operator bool() const { return Ok(); }
  const T& Value() const& { return std::get<0>(v_); }
  T& Value() & { return std::get<0>(v_); }
  T&& Value() && { return std::get<0>(std::move(v_)); }
  const TError& Error() const { return std::get<1>(v_); }

 private:
  std::variant<T, TError> v_;
};

template <>
class [[nodiscard]] TResult<void> {
 public:
  TResult() = default;
  TResult(TError error) : error_(std::move(error)), ok_(false) {}

  bool Ok() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const TError& Error() const { return error_; }

 private:
  TError error_;
  bool ok_ = true;
};

// Success or the reason it was not.
using TStatus = TResult<void>;

}  // namespace tevra
