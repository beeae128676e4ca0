#include "base/Result.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tevra {
namespace {

TResult<int> Half(int n) {
  if (n % 2 != 0) return TError{"odd: " + std::to_string(n)};
  return n / 2;
}

TEST(ResultTest, CarriesAValueOrTheReasonNamingTheFailedCall) {
  const TResult<int> half = Half(8);
  ASSERT_TRUE(half.Ok());
  EXPECT_EQ(half.Value(), 4);
  const TResult<int> odd = Half(7);
  ASSERT_FALSE(odd);
  EXPECT_EQ(odd.Error().Message, "odd: 7");
  EXPECT_EQ(odd.Error().Errno, 0);

  // The same English text under any locale, and a code the C library does not know still reads.
  std::setlocale(LC_ALL, "");
  const TStatus locked = InContext("/dev/ttyUSB0", SystemError("flock", EWOULDBLOCK));
  ASSERT_FALSE(locked.Ok());
  EXPECT_EQ(locked.Error().Message, "/dev/ttyUSB0: flock: Resource temporarily unavailable");
  EXPECT_EQ(locked.Error().Errno, EWOULDBLOCK);
  EXPECT_EQ(SystemError("ioctl", 9999).Message, "ioctl: Unknown error 9999");
  EXPECT_EQ(ErrnoText(ENOENT), "No such file or directory");
  EXPECT_TRUE(TStatus().Ok());
}

}  // namespace
}  // namespace tevra
