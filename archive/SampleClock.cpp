#include "archive/SampleClock.h"

namespace tevra {
namespace {

// Anchors fall on whole 100 us, which the records' start-time field holds exactly.
constexpr std::int64_t kAnchorStepMicros = 100;

std::int64_t RoundToStep(std::int64_t micros) {
  const std::int64_t half = kAnchorStepMicros / 2;
  return (micros >= 0 ? micros + half : micros - half) / kAnchorStepMicros * kAnchorStepMicros;
}

}  // namespace

TSampleClock::TPlacement TSampleClock::Place(int n, std::int64_t readMicros) {
  const std::int64_t span = static_cast<std::int64_t>(n - 1) * SampleMicros;
  TPlacement p;
  const std::int64_t drift = anchored_ ? next_ + span - readMicros : 0;
  if (!anchored_ || drift > ToleranceMicros || drift < -ToleranceMicros) {
    p.NewSegment = true;
    p.FirstMicros = RoundToStep(readMicros) - span;
    // Within the tolerance the earlier segment's time stands, with the lost sample as its gap; a
    // clock step beyond it is believed.
    const std::int64_t earliest = next_ + SampleMicros;
    if (lostAfter_ && p.FirstMicros < earliest && earliest - p.FirstMicros <= ToleranceMicros) {
      p.FirstMicros = earliest;
    }
    anchored_ = true;
    lostAfter_ = false;
  } else {
    p.FirstMicros = next_;
  }
  next_ = p.FirstMicros + span + SampleMicros;
  return p;
}

void TSampleClock::Lost() {
  lostAfter_ = anchored_ || lostAfter_;
  anchored_ = false;
}

}  // namespace tevra
