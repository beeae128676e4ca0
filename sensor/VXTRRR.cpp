#include "sensor/VXTRRR.h"

#include <algorithm>
#include <cstring>

namespace tevra {
namespace {

bool LayoutOk(const char* f) {
  return f[16] == '\r' && (f[15] == '0' || f[15] == '1') && f[14] == ',' && f[9] == ',' && f[4] == ',';
}

// The sensor sends every value as exactly four digits, never above 4096. Anything else is a
// damaged frame: read by its numeric prefix, one flipped bit ("2q48", "6048") would become a
// phantom sample of some thousand gal.
bool FieldValues(const char* f, double values[3]) {
  for (int k = 0; k < 3; ++k) {
    const char* field = f + 5 * k;
    int value = 0;
    for (int i = 0; i < 4; ++i) {
      if (field[i] < '0' || field[i] > '9') return false;
      value = value * 10 + (field[i] - '0');
    }
    if (value > 4096) return false;
    values[k] = value;
  }
  return true;
}

}  // namespace

VXTRRR::VXTRRR(TPortOwner& owner, TSteadyClock& clock)
    : owner_(owner),
      clock_(clock),
      receive_(ReceiveCapacity, '\0'),
      pending_(PendingCapacity, '\0'),
      samples_(SampleCapacity) {}

int VXTRRR::Read(char* buffer, int count) {
  TSerialLink* port = owner_.CurrentPort();
  return port ? port->Read(buffer, count) : 0;
}

unsigned VXTRRR::ClearCommError() {
  TSerialLink* port = owner_.CurrentPort();
  return port ? port->ClearCommError() : 0;
}

bool VXTRRR::ReadFrames() {
  sampleCount_ = 0;
  status_ = ReaderOk;
  const int n = Read(receive_.data(), ReadChunk);
  receive_[n > 0 ? n : 0] = '\0';
  // A zero byte ends the received text there. A read that brings no text is an empty read, also
  // when bytes came: a line that sends only zero bytes is as dead as a silent one.
  std::size_t add = strnlen(receive_.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
  if (add == 0) {
    // A device that hung up is dead at once; a silent one only after NoDataReads empty reads.
    // Counting on past the limit: a caller that skipped CheckSensor still hears about a dead line.
    const TSerialLink* port = owner_.CurrentPort();
    if (++emptyReads_ >= NoDataReads || (port && port->HungUp())) {
      status_ = ReaderNoData;
      return false;
    }
  } else {
    emptyReads_ = 0;
  }
  // Without a CheckSensor after a failure the pending text could grow past its buffer: what does
  // not fit is dropped, and it already means overflow.
  add = std::min(add, pending_.size() - 1 - pendingLength_);
  std::memcpy(pending_.data() + pendingLength_, receive_.data(), add);
  pendingLength_ += add;
  pending_[pendingLength_] = '\0';
  if (pendingLength_ >= static_cast<std::size_t>(OverflowLength)) {
    status_ = ReaderOverflow;
    return false;
  }
  if (pendingLength_ < static_cast<std::size_t>(FrameLength)) return true;

  std::size_t pos = 0;
  int q = 0;
  for (; pendingLength_ - pos >= static_cast<std::size_t>(FrameLength); pos += FrameLength, ++q) {
    const char* f = pending_.data() + pos;
    double v[3];
    if (!LayoutOk(f) || !FieldValues(f, v)) {
      status_ = ReaderFormatError;
      return false;
    }
    TAccelSample& s = samples_[q];
    s = {4096.0 - v[0], v[1], 4096.0 - v[2]};
    // The converter's end values: a sensor that is not connected or not working sends them.
    if (s.X == 4095.0 || s.Y == 4095.0 || s.Z == 4095.0 || s.X == 0.0 || s.Y == 0.0 || s.Z == 0.0) {
      status_ = ReaderValueError;
      return false;
    }
  }
  std::memmove(pending_.data(), pending_.data() + pos, pendingLength_ - pos);
  pendingLength_ -= pos;
  pending_[pendingLength_] = '\0';
  sampleCount_ = q;
  return true;
}

bool VXTRRR::CheckSensor() {
  sampleCount_ = 0;
  emptyReads_ = 0;
  pendingLength_ = 0;
  pending_[0] = '\0';
  receive_[0] = '\0';

  // However the line behaves (a steady stream without CR at a wrong baud rate, errors that never
  // clear), the whole check ends by its deadline: it runs on the thread of the measurement tick.
  const std::int64_t deadline = clock_.MonotonicMs() + CheckDeadlineMs;
  bool outOfTime = false;
  const auto inTime = [&] { return !(outOfTime = clock_.MonotonicMs() >= deadline); };

  TSerialLink* port = owner_.CurrentPort();
  unsigned mask = ClearCommError();
  if (port) port->Purge(TSerialLink::PurgeRxClear);
  for (int pass = 0; mask != 0; ++pass) {
    mask = ClearCommError();
    Read(receive_.data(), CheckChunk);
    if (pass == ErrorPasses || !inTime()) {
      status_ = ReaderNoData;
      return false;
    }
  }
  // Drop the unaligned tail of whatever had arrived, then everything up to the next frame end.
  ClearCommError();
  Read(receive_.data(), CheckChunk);
  clock_.Sleep(CheckWaitMs);
  ClearCommError();
  int n = port ? port->ReadLine(receive_.data(), '\r', CheckChunk, inTime) : 0;
  if (!outOfTime) {
    clock_.Sleep(CheckWaitMs);
    ClearCommError();
    n = port ? port->ReadLine(receive_.data(), '\r', CheckChunk, inTime) : 0;
  }
  if (outOfTime) {
    // Bytes without a frame end are a line in the wrong format; zero bytes alone are no data.
    const char* begin = receive_.data();
    const char* end = begin + (n < 0 ? -n : 0);
    const bool text = std::any_of(begin, end, [](char c) { return c != '\0'; });
    status_ = text ? ReaderFormatError : ReaderNoData;
    return false;
  }
  if (n < FrameLength - 1) {
    status_ = ReaderNoData;
    return false;
  }
  double v[3];
  if (n > FrameLength - 1 || !LayoutOk(receive_.data()) || !FieldValues(receive_.data(), v)) {
    status_ = ReaderFormatError;
    return false;
  }
  for (double raw : v) {
    if (raw == 4095.0 || raw == 0.0) {
      status_ = ReaderValueError;
      return false;
    }
  }
  receive_[0] = '\0';
  return true;
}

const char* SensorErrorText(int readerStatus) {
  switch (readerStatus) {
    case VXTRRR::ReaderOverflow:
      return "データオーバーフロー";
    case VXTRRR::ReaderValueError:
      return "センサが繋がっていません";
    case VXTRRR::ReaderNoData:
      return "データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認";
    case VXTRRR::ReaderFormatError:
      return "通信エラーが発生しました";
    default:
      return "その他";
  }
}

}  // namespace tevra
