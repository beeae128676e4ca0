#include "archive/DataOutput.h"

#include <cmath>

#include "base/ClockSync.h"

namespace tevra {

TDataOutput::TDataOutput(TLog log, TClockProbe clockSynced)
    : log_(std::move(log)),
      clockSynced_(clockSynced ? std::move(clockSynced) : TClockProbe(SystemClockSynced)) {
  Rebuild();
}

TDataOutput::~TDataOutput() {
  FlushAll();
}

void TDataOutput::Configure(const TDataOutputSettings& settings) {
  FlushAll();
  clock_.Break();
  settings_ = settings;
  Rebuild();
  if (OnConfigure) OnConfigure(settings_);
}

void TDataOutput::SetRecordSink(TRecordSink sink) {
  FlushAll();
  clock_.Break();
  sink_ = std::move(sink);
}

void TDataOutput::Rebuild() {
  const bool keep = archive_ && settings_.Archive && archive_->Folder() == settings_.ArchiveFolder;
  if (!keep) {
    archive_.reset();  // what still waits gets a last try there
    if (settings_.Archive && !settings_.ArchiveFolder.empty()) {
      archive_ = std::make_unique<TSdsArchive>(settings_.ArchiveFolder, log_);
    }
  }
  for (auto& p : packers_) p.reset();
  for (int c = 0; c < 3; ++c) {
    ids_[c] = {settings_.Network, settings_.Station, settings_.Location, settings_.Channels[c]};
    packers_[c] = std::make_unique<TMseedPacker>(
        ids_[c], [this, c](const std::uint8_t* record, std::int64_t start) { Emit(c, record, start); });
    packers_[c]->SetClockLocked(locked_);
  }
}

void TDataOutput::Emit(int channel, const std::uint8_t* record, std::int64_t startMicros) {
  if (archive_) archive_->Write(record, ids_[channel], startMicros, now_);
  if (sink_) sink_(record, MiniSeedRecordBytes);
}

void TDataOutput::FlushAll() {
  for (auto& p : packers_) {
    if (p) p->Flush();
  }
}

void TDataOutput::ProbeClock(std::int64_t nowMicros) {
  if (probed_ && nowMicros - lastProbe_ < ClockProbeMicros && nowMicros >= lastProbe_) return;
  probed_ = true;
  lastProbe_ = nowMicros;
  const bool locked = clockSynced_();
  if (locked == locked_) return;
  locked_ = locked;
  for (auto& p : packers_) p->SetClockLocked(locked);
}

void TDataOutput::Feed(const TAccelSample* counts, int n, std::int64_t readMicros) {
  if (!Active()) return;
  now_ = readMicros;
  ProbeClock(readMicros);
  if (n > 0 && counts) {
    const TSampleClock::TPlacement place = clock_.Place(n, readMicros);
    axis_.resize(static_cast<std::size_t>(n));
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < n; ++i) {
        const TAccelSample& s = counts[i];
        const double v = c == 0 ? s.X : c == 1 ? s.Y : s.Z;
        axis_[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(std::lround(v));
      }
      packers_[c]->Append(axis_.data(), n, place.FirstMicros);
    }
  }
  const std::int64_t age = static_cast<std::int64_t>(settings_.FlushSeconds) * 1000000;
  for (auto& p : packers_) {
    if (!p->Empty() && readMicros - p->OldestMicros() >= age) p->Flush();
  }
  if (archive_) archive_->Retry(readMicros);
}

void TDataOutput::BatchLost() {
  FlushAll();
  clock_.Lost();
}

void TDataOutput::Stop() {
  FlushAll();
  clock_.Break();
}

}  // namespace tevra
