#include "base/LogLimiter.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(LogLimiter, TenAMinuteThenACount) {
  TLogLimiter limiter;
  const auto t0 = TLogLimiter::TClock::now();
  int logged = 0;
  for (int i = 0; i < 25; ++i) logged += !limiter.Line("x", t0 + std::chrono::seconds(i)).empty();
  EXPECT_EQ(logged, 10);
  EXPECT_EQ(limiter.Summary(t0 + std::chrono::seconds(30)), "");
  EXPECT_NE(limiter.Summary(t0 + std::chrono::seconds(61)).find("15"), std::string::npos);
  EXPECT_EQ(limiter.Line("y", t0 + std::chrono::seconds(62)), "y");
}

}  // namespace
}  // namespace tevra
