#include "sensor/VXTRRR.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FakeLink.h"
#include "support/RecordingPlatform.h"

namespace tevra {
namespace {

using test::Frame;

struct TReaderRig {
  test::TFakeLink link;
  test::TFakeOwner owner{&link};
  TRecordingPlatform platform;
  VXTRRR reader{owner, platform};
};

std::string Frames(int n, int x = 2048, int y = 2048, int z = 2048) {
  std::string s;
  for (int i = 0; i < n; ++i) s += Frame(x, y, z);
  return s;
}

struct TFrameCase {
  const char* Name;
  std::string Chunk;
  bool Ok;
  int Status;
  int Samples;
  TAccelSample First;
};

TEST(VXTRRRTest, OneReadOfFramesGivesOrientedSamplesOrTheRightStatus) {
  const std::vector<TFrameCase> cases = {
      {"mid-scale frame", "2048,2048,2048,0\r", true, VXTRRR::ReaderOk, 1, {2048, 2048, 2048}},
      {"orientation", "1000,2000,3000,1\r", true, VXTRRR::ReaderOk, 1, {3096, 2000, 1096}},
      {"less than a frame", "1000,2000,30", true, VXTRRR::ReaderOk, 0, {}},
      // A value field is exactly four digits, at most 4096; anything else is a damaged frame.
      {"fields split like strtok", "204,,2048,2048,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"signs and trailing letters", "+100,-200,12ab,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"decimal point", "1.50,2.25,0003,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"flipped bit to a letter", "2q48,2048,2048,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"flipped bit to 6048", Frame(2048, 6048, 2048), false, VXTRRR::ReaderFormatError, 0, {}},
      {"X 4097", Frame(4097, 2048, 2048), false, VXTRRR::ReaderFormatError, 0, {}},
      {"Y 4096 and X 0000 are in range", Frame(0, 4096, 2048), true, VXTRRR::ReaderOk, 1, {4096, 4096, 2048}},
      {"status digit 2", "2048,2048,2048,2\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"missing carriage return", "2048,2048,2048,0\n", false, VXTRRR::ReaderFormatError, 0, {}},
      {"semicolon separator", "2048;2048,2048,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"CR LF shifts the next frame",
       Frame(1000, 2000, 3000) + "\n" + Frame(1000, 2000, 3000),
       false,
       VXTRRR::ReaderFormatError,
       0,
       {}},
      {"Y 4095", Frame(2048, 4095, 2048), false, VXTRRR::ReaderValueError, 0, {}},
      {"Y 0", Frame(2048, 0, 2048), false, VXTRRR::ReaderValueError, 0, {}},
      {"X 1", Frame(1, 2048, 2048), false, VXTRRR::ReaderValueError, 0, {}},
      {"Z 1", Frame(2048, 2048, 1), false, VXTRRR::ReaderValueError, 0, {}},
      {"X 4096", Frame(4096, 2048, 2048), false, VXTRRR::ReaderValueError, 0, {}},
      {"Z 4096", Frame(2048, 2048, 4096), false, VXTRRR::ReaderValueError, 0, {}},
      {"bad value in the third frame drops the batch",
       Frames(2) + Frame(2048, 0, 2048) + Frames(2),
       false,
       VXTRRR::ReaderValueError,
       0,
       {}},
      {"Y field of blanks", "2048,    ,2048,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"all commas", ",,,,,,,,,,,,,,,0\r", false, VXTRRR::ReaderFormatError, 0, {}},
      {"bad field in the last frame drops the batch",
       Frames(3) + Frame(2048, 2048, 9999),
       false,
       VXTRRR::ReaderFormatError,
       0,
       {}},
      {"zero byte drops the rest of the chunk",
       Frame(100, 200, 300) + std::string("\0", 1) + Frames(2),
       true,
       VXTRRR::ReaderOk,
       1,
       {3996, 200, 3796}},
  };
  for (const TFrameCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TReaderRig rig;
    rig.link.Chunks.push_back(c.Chunk);
    EXPECT_EQ(rig.reader.ReadFrames(), c.Ok);
    EXPECT_EQ(rig.reader.ReaderStatus(), c.Status);
    EXPECT_EQ(rig.reader.SampleCount(), c.Samples);
    if (c.Samples > 0) {
      EXPECT_EQ(rig.reader.Samples()[0].X, c.First.X);
      EXPECT_EQ(rig.reader.Samples()[0].Y, c.First.Y);
      EXPECT_EQ(rig.reader.Samples()[0].Z, c.First.Z);
    }
  }
}

TEST(VXTRRRTest, APartialFrameWaitsForTheNextRead) {
  TReaderRig rig;
  const std::string next = Frame(1111, 2222, 3333, 1);
  rig.link.Chunks.push_back(Frames(30) + next.substr(0, 10));
  rig.link.Chunks.push_back(next.substr(10) + Frame(10, 20, 30).substr(0, 16));
  rig.link.Chunks.push_back("\r");
  ASSERT_TRUE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.SampleCount(), 30);
  EXPECT_EQ(rig.reader.PendingText(), next.substr(0, 10));
  ASSERT_TRUE(rig.reader.ReadFrames());
  ASSERT_EQ(rig.reader.SampleCount(), 1);
  EXPECT_EQ(rig.reader.Samples()[0].X, 4096 - 1111);
  EXPECT_EQ(rig.reader.PendingText().size(), 16u);
  ASSERT_TRUE(rig.reader.ReadFrames());
  ASSERT_EQ(rig.reader.SampleCount(), 1);
  EXPECT_EQ(rig.reader.Samples()[0].Z, 4096 - 30);
  EXPECT_TRUE(rig.reader.PendingText().empty());
}

TEST(VXTRRRTest, AZeroByteMisalignsTheFollowingFrames) {
  TReaderRig rig;
  const std::string f = Frame(100, 200, 300);
  rig.link.Chunks.push_back(f + f.substr(0, 5) + std::string("\0", 1) + f.substr(5) + f);
  rig.link.Chunks.push_back(f);
  ASSERT_TRUE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.SampleCount(), 1);
  EXPECT_FALSE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderFormatError);
}

TEST(VXTRRRTest, TheHundredthEmptyReadInARowMeansNoData) {
  TReaderRig rig;
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(rig.reader.ReadFrames()) << i;
  EXPECT_EQ(rig.reader.EmptyReads(), 99);
  rig.link.Chunks.push_back(Frame(2000, 2000, 2000));
  ASSERT_TRUE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.EmptyReads(), 0);
  // A read of zero bytes alone brings no text: a line that sends only those is a dead line.
  for (int i = 0; i < 99; ++i) {
    rig.link.Chunks.push_back(std::string(i % 2 ? 17 : 3, '\0'));
    ASSERT_TRUE(rig.reader.ReadFrames()) << i;
  }
  EXPECT_FALSE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderNoData);
  // Without the resynchronising CheckSensor the line stays dead instead of looking fine again.
  EXPECT_FALSE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderNoData);
}

TEST(VXTRRRTest, PendingTextThatNeverParsesEndsInOverflowAndNeverBeyondItsBuffer) {
  TReaderRig rig;
  const std::string junk(VXTRRR::ReadChunk, 'x');
  rig.link.Chunks.push_back(junk);
  EXPECT_FALSE(rig.reader.ReadFrames());
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderFormatError);
  // A caller that ignores the calling order keeps getting overflow, however long it goes on.
  for (int i = 0; i < 8; ++i) {
    rig.link.Chunks.push_back(junk);
    EXPECT_FALSE(rig.reader.ReadFrames());
    EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderOverflow);
  }
  EXPECT_LT(rig.reader.PendingText().size(), static_cast<std::size_t>(VXTRRR::PendingCapacity));
  EXPECT_EQ(rig.reader.SampleCount(), 0);
}

struct TCheckCase {
  const char* Name;
  std::vector<std::string> Chunks;  // tail read, line to skip, line to check
  bool Ok;
  int Status;
};

TEST(VXTRRRTest, CheckSensorAlignsAndVerifiesOneFrame) {
  const std::string good = Frame(1000, 2000, 3000);
  const std::vector<TCheckCase> cases = {
      {"aligned good frame", {"tail", "0,0\r", good}, true, VXTRRR::ReaderIdle},
      {"silent line", {}, false, VXTRRR::ReaderNoData},
      {"no terminator", {"tail", "0,0\r", "2048,2048"}, false, VXTRRR::ReaderNoData},
      {"ten-character line", {"t", "x\r", "0123456789\r"}, false, VXTRRR::ReaderNoData},
      {"twenty-character line", {"t", "x\r", "01234567890123456789\r"}, false, VXTRRR::ReaderFormatError},
      {"bad layout", {"t", "x\r", "2048,2048;2048,0\r"}, false, VXTRRR::ReaderFormatError},
      {"status digit 2", {"t", "x\r", "2048,2048,2048,2\r"}, false, VXTRRR::ReaderFormatError},
      {"raw X 4095", {"t", "x\r", Frame(4095, 2000, 2000)}, false, VXTRRR::ReaderValueError},
      {"raw Z 0", {"t", "x\r", Frame(2000, 2000, 0)}, false, VXTRRR::ReaderValueError},
      {"raw Y 4097", {"t", "x\r", Frame(2000, 4097, 2000)}, false, VXTRRR::ReaderFormatError},
      {"flipped bit to a letter", {"t", "x\r", "2048,2q48,2048,0\r"}, false, VXTRRR::ReaderFormatError},
      // Unlike ReadFrames, the check looks at raw values: X 1 is accepted here.
      {"raw X 1", {"t", "x\r", Frame(1, 2000, 2000)}, true, VXTRRR::ReaderIdle},
  };
  for (const TCheckCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TReaderRig rig;
    for (const std::string& s : c.Chunks) rig.link.Chunks.push_back(s);
    EXPECT_EQ(rig.reader.CheckSensor(), c.Ok);
    EXPECT_EQ(rig.reader.ReaderStatus(), c.Status);
    EXPECT_EQ(rig.link.Purges, 1);
    EXPECT_EQ(rig.platform.Count("Sleep 100"), 2);
  }
}

TEST(VXTRRRTest, CheckSensorWaitsTwiceAndResetsTheReaderState) {
  TReaderRig rig;
  rig.link.Chunks.push_back(Frames(3) + "12");
  ASSERT_TRUE(rig.reader.ReadFrames());
  ASSERT_EQ(rig.reader.PendingText(), "12");
  rig.link.Chunks.push_back("34,56");
  rig.link.Chunks.push_back(Frames(1, 2000, 2001, 2002).substr(3));
  rig.link.Chunks.push_back(Frame(2000, 2000, 2000));
  const std::int64_t before = rig.platform.MonotonicMillis;
  ASSERT_TRUE(rig.reader.CheckSensor());
  EXPECT_EQ(rig.platform.MonotonicMillis - before, 200);
  EXPECT_TRUE(rig.reader.PendingText().empty());
  EXPECT_EQ(rig.reader.SampleCount(), 0);
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderOk);  // success leaves the status alone
}

TEST(VXTRRRTest, CheckSensorEndsByItsDeadlineWhateverTheLineSends) {
  struct {
    const char* Name;
    std::string Line;
    unsigned ErrorMask;
    int Status;
  } cases[] = {
      // A wrong baud rate: bytes keep coming, none of them a CR.
      {"steady stream without CR", std::string(100000, 'A'), 0, VXTRRR::ReaderFormatError},
      {"steady stream of zero bytes", std::string(100000, '\0'), 0, VXTRRR::ReaderNoData},
      {"line errors on a silent line", "", 0x8u, VXTRRR::ReaderNoData},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TReaderRig rig;
    rig.link.Chunks.push_back(c.Line);
    rig.link.ErrorMasks.assign(5000, c.ErrorMask);
    // About a byte per millisecond; a read that finds nothing waits its 100 ms.
    rig.link.DuringRead = [&](int bytes) { rig.platform.Advance(bytes > 0 ? 1 : 100); };
    const std::int64_t before = rig.platform.MonotonicMillis;
    EXPECT_FALSE(rig.reader.CheckSensor());
    EXPECT_EQ(rig.reader.ReaderStatus(), c.Status);
    EXPECT_LE(rig.platform.MonotonicMillis - before, VXTRRR::CheckDeadlineMs + 100);
  }
}

TEST(VXTRRRTest, LineErrorsThatNeverClearEndInNoData) {
  TReaderRig rig;
  rig.link.ErrorMasks.assign(5000, 0x8u);
  rig.link.Chunks.push_back("t");
  rig.link.Chunks.push_back("x\r");
  rig.link.Chunks.push_back(Frame(2000, 2000, 2000));
  EXPECT_FALSE(rig.reader.CheckSensor());
  EXPECT_EQ(rig.reader.ReaderStatus(), VXTRRR::ReaderNoData);
  // One mask before the loop, then 1001 passes.
  EXPECT_EQ(rig.link.ErrorMasks.size(), 5000u - 1 - 1001);

  TReaderRig clearing;
  clearing.link.ErrorMasks = {0x2u, 0x2u, 0x2u, 0};
  clearing.link.Chunks = {"junk", "junk", "junk", "tail", "x\r", Frame(2000, 2000, 2000)};
  EXPECT_TRUE(clearing.reader.CheckSensor());
}

TEST(VXTRRRTest, ReadLineStopsAtTheTerminatorAFullBufferOrSilence) {
  struct {
    const char* Name;
    std::string Line;
    int Result;
    std::string Text;   // the buffer up to its zero
    std::string After;  // what a following read gets
  } cases[] = {
      {"terminator", "abc\rdef", 3, "abc\r", "def"},
      // The byte that would fill the last place is read and overwritten by the zero.
      {"full buffer", "abcdefghij", -7, "abcdefg", "ij"},
      {"terminator in the last place", "abcdefg\rx", -7, "abcdefg", "x"},
      {"silence", "ab", -2, "ab", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    test::TFakeLink link;
    link.Chunks.push_back(c.Line);
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(link.ReadLine(buffer, '\r', 8), c.Result);
    EXPECT_EQ(std::string(buffer), c.Text);
    EXPECT_EQ(std::string(buffer + 8, 4), "####");
    char rest[16] = {};
    link.Read(rest, sizeof rest);
    EXPECT_EQ(std::string(rest), c.After);
  }
}

TEST(VXTRRRTest, WithoutAPortEverythingIsNoData) {
  test::TFakeOwner owner(nullptr);
  TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  EXPECT_FALSE(reader.CheckSensor());
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderNoData);
  EXPECT_TRUE(reader.ReadFrames());
  reader.ReopenPort();
  EXPECT_EQ(owner.Reopens, 1);
}

TEST(VXTRRRTest, EveryStatusHasThePanelsText) {
  EXPECT_STREQ(SensorErrorText(VXTRRR::ReaderOverflow), "データオーバーフロー");
  EXPECT_STREQ(SensorErrorText(VXTRRR::ReaderValueError), "センサが繋がっていません");
  EXPECT_STREQ(SensorErrorText(VXTRRR::ReaderNoData),
               "データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認");
  EXPECT_STREQ(SensorErrorText(VXTRRR::ReaderFormatError), "通信エラーが発生しました");
  EXPECT_STREQ(SensorErrorText(VXTRRR::ReaderOk), "その他");
  EXPECT_STREQ(SensorErrorText(99), "その他");
}

}  // namespace
}  // namespace tevra
