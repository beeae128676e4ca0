#include "base/PlainPlatform.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace tevra {

std::int64_t TPlainPlatform::Time() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

TLocalDateTime TPlainPlatform::LocalNow() {
  return LocalDateTimeOf(Time());
}

std::int64_t TPlainPlatform::UtcMicros() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::int64_t TPlainPlatform::MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void TPlainPlatform::Sleep(int ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

bool TPlainPlatform::MessageBox(const std::string& text, const std::string& title, bool) {
  std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
  return true;
}

bool TPlainPlatform::Confirm(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return true;
}

void TPlainPlatform::ErrorDialog(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

std::string TPlainPlatform::ChooseFolder(const std::string&) {
  return {};
}

}  // namespace tevra
