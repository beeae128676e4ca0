#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(RecordingPlatform, SleepMovesBothClocksAndDialogsAnswerFromTheQueue) {
  TRecordingPlatform p;
  p.SetLocalNow({2007, 10, 30, 12, 34, 56});
  const auto mono = p.MonotonicMs();
  for (int i = 0; i < 15; ++i) p.Sleep(100);
  EXPECT_EQ(p.MonotonicMs() - mono, 1500);
  EXPECT_EQ(DateTimeText(p.LocalNow()), "2007/10/30 12:34:57");

  p.Answers = {false};
  int nested = 0;
  p.DuringDialog = [&] {
    ++nested;
    p.MessageBox("inner", "", false);  // a dialog inside the hook does not recurse
  };
  EXPECT_FALSE(p.Confirm("終了しますか？"));
  EXPECT_TRUE(p.MessageBox("x", "t", true));
  EXPECT_EQ(nested, 2);
  EXPECT_EQ(p.Count("MessageBox inner"), 2);
  EXPECT_EQ(p.Calls.front(), "Sleep 100");
}

}  // namespace
}  // namespace tevra
