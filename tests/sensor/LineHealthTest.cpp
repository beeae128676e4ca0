// The line's health from the frames of each tick: rate, flags, errors and the texts shown.
#include "sensor/LineHealth.h"

#include <gtest/gtest.h>

#include <vector>

#include "sensor/VXTRRR.h"

namespace tevra {
namespace {

struct TSegment {
  double Seconds;
  double FramesPerTick;  // ticks of 100 ms; fractions add up over the ticks
  bool Repeat;           // every frame the same as the one before
};

// Feeds the segments tick by tick from `startMs`; returns the time of the last tick.
std::int64_t Feed(TLineHealth& health, std::int64_t startMs, const std::vector<TSegment>& segments) {
  std::int64_t now = startMs;
  long long frame = 0;
  double owed = 0.0;
  std::vector<TAccelSample> batch;
  TAccelSample last{2000, 2100, 3000};
  for (const TSegment& s : segments) {
    for (int t = 0; t < static_cast<int>(s.Seconds * 10 + 0.5); ++t) {
      now += 100;
      owed += s.FramesPerTick;
      batch.clear();
      for (; owed >= 1.0; owed -= 1.0, ++frame) {
        if (!s.Repeat) last = {2000.0 + static_cast<double>(frame % 3), 2100, 3000};
        batch.push_back(last);
      }
      health.Frames(now, batch.data(), static_cast<int>(batch.size()));
    }
  }
  return now;
}

TEST(LineHealthTest, RateFlagsAndFrozenSensorFromTheTicks) {
  struct {
    const char* Name;
    std::vector<TSegment> Segments;
    double Rate;  // shown: the last 10 s
    bool RateFlagged;
    bool Frozen;
    std::int64_t AgeMs;
  } cases[] = {
      {"a sound line", {{61, 10, false}}, 100.0, false, false, 0},
      {"9600 baud carries 56 frames a second", {{61, 5.6, false}}, 56.0, true, false, 0},
      {"a slow line is judged only after a whole minute", {{59, 5.6, false}}, 56.0, false, false, 0},
      {"doubled frames", {{61, 11, false}}, 110.0, true, false, 0},
      {"104 frames a second is within the tolerance", {{61, 10.4, false}}, 104.0, false, false, 0},
      {"the same frame for 10 s", {{5, 10, false}, {10, 10, true}}, 100.0, false, true, 0},
      {"the same frame for 9.8 s", {{5, 10, false}, {9.8, 10, true}}, 100.0, false, false, 0},
      {"a frozen sensor that moves again",
       {{5, 10, false}, {12, 10, true}, {0.2, 10, false}},
       100.0,
       false,
       false,
       0},
      {"a silent line is not a frozen sensor", {{5, 10, false}, {20, 0, false}}, 0.0, false, false, 20000},
      {"a line that falls silent for a minute", {{5, 10, false}, {60, 0, false}}, 0.0, true, false, 60000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TLineHealth health;
    health.Start(5000);
    const std::int64_t now = Feed(health, 5000, c.Segments);
    EXPECT_NEAR(health.FramesPerSecond(), c.Rate, 0.15);
    EXPECT_EQ(health.RateFlagged(), c.RateFlagged) << health.JudgedRate();
    EXPECT_EQ(health.Frozen(), c.Frozen);
    EXPECT_EQ(health.NewestFrameAgeMs(now), c.AgeMs);
    // Stopped, nothing is flagged; a new start watches afresh.
    health.Stop();
    EXPECT_FALSE(health.RateFlagged() || health.Frozen());
    health.Start(now);
    Feed(health, now, {{59.9, 0, false}});
    EXPECT_FALSE(health.RateFlagged() || health.Frozen());
  }
}

TEST(LineHealthTest, ErrorsCountSinceTheProgramStartedAndTheTextsShowEverything) {
  TLineHealth health;
  EXPECT_EQ(LineHealthPanelText(health, 0), "受信 - 誤り 0/0");
  health.Start(0);
  EXPECT_EQ(LineHealthPanelText(health, 0), "受信 0.0/s 誤り 0/0 最新 -");
  for (int status : {VXTRRR::ReaderFormatError, VXTRRR::ReaderFormatError, VXTRRR::ReaderValueError,
                     VXTRRR::ReaderNoData, VXTRRR::ReaderOverflow}) {
    health.Failure(status);
  }
  health.Start(0);  // a restart keeps the counts
  std::int64_t now = Feed(health, 0, {{61, 5.6, false}});
  EXPECT_EQ(LineHealthPanelText(health, now + 300), "受信 56.0/s 誤り 2/1 最新 0.3s 速度異常");
  now = Feed(health, now, {{61, 10, true}});
  EXPECT_EQ(LineHealthPanelText(health, now), "受信 100.0/s 誤り 2/1 最新 0.0s 値固定");
  EXPECT_EQ(LineHealthMonitorText(health, now),
            "health 100.0 frames/s format-errors 2 value-errors 1 newest 0.0 s frozen");
}

TEST(LineHealthTest, TheLineCarriesBaudOverSeventeenBytesOfItsBits) {
  struct {
    int Baud, Bits;
    double Frames;
  } cases[] = {{9600, 10, 56.5},  {14400, 10, 84.7}, {19200, 10, 112.9},
               {19200, 12, 94.1}, {0, 10, 0.0},      {9600, 0, 0.0}};
  for (const auto& c : cases) EXPECT_NEAR(LineFrameCapacity(c.Baud, c.Bits), c.Frames, 0.05) << c.Baud;
}

}  // namespace
}  // namespace tevra
