// Arbitrary bytes through a fake port into the frame reader, cut into reads of any size (empty
// reads included), with the resynchronisation the panel does after every failure.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/RecordingPlatform.h"
#include "sensor/VXTRRR.h"
#include "tests/sensor/FakeLink.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tevra::VXTRRR;
  if (size < 4) return 0;
  // The first four bytes choose the read sizes; the rest is the line.
  const std::uint8_t* cut = data;
  const char* bytes = reinterpret_cast<const char*>(data + 4);
  const std::size_t length = size - 4;

  tevra::test::TFakeLink link;
  for (std::size_t pos = 0, k = 0; pos < length; ++k) {
    const std::uint8_t c = cut[k % 4];
    // Mostly a few frames, sometimes nothing, sometimes a full read's worth.
    std::size_t n = c < 16 ? 0 : c < 240 ? (c * 7u) % 200u + 1 : 16384u + (c - 240u) * 3u;
    n = std::min(n, length - pos);
    link.Chunks.emplace_back(bytes + pos, n);
    pos += n;
    if (link.Chunks.size() > 4096) break;
  }
  tevra::test::TFakeOwner owner(&link);
  tevra::TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  bool needCheck = (cut[0] & 1) != 0;
  for (int calls = 0; !link.Chunks.empty() && calls < 20000; ++calls) {
    if (needCheck) {
      reader.CheckSensor();
      needCheck = false;
      continue;
    }
    if (!reader.ReadFrames()) {
      if (reader.SampleCount() != 0) __builtin_trap();
      needCheck = (cut[1] & 1) != 0 || reader.ReaderStatus() != VXTRRR::ReaderOverflow;
      continue;
    }
    // After a success only a partial frame is pending, and every sample is a count the converter
    // can give, strictly inside its end values.
    if (reader.PendingText().size() >= VXTRRR::FrameLength) __builtin_trap();
    for (int i = 0; i < reader.SampleCount(); ++i) {
      const tevra::TAccelSample& s = reader.Samples()[i];
      for (double v : {s.X, s.Y, s.Z}) {
        if (!(v > 0.0 && v <= 4096.0)) __builtin_trap();
      }
    }
  }
  return 0;
}
