#pragma once
// A serial line for reader tests: every Read hands out the next queued chunk (an empty chunk is a
// read that found nothing), and line errors come from a queue of masks.
#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "sensor/SerialLink.h"

namespace tevra::test {

class TFakeLink : public TSerialLink {
 public:
  std::deque<std::string> Chunks;
  std::deque<unsigned> ErrorMasks;  // 0 once empty
  int Reads = 0;
  int Purges = 0;
  // Called after every read with the bytes it handed out: the time the line took meanwhile.
  std::function<void(int bytes)> DuringRead;

  int Read(char* buffer, int count) override {
    ++Reads;
    int n = 0;
    if (!Chunks.empty()) {
      std::string& front = Chunks.front();
      n = std::min<int>(count, static_cast<int>(front.size()));
      std::memcpy(buffer, front.data(), static_cast<std::size_t>(n));
      front.erase(0, static_cast<std::size_t>(n));
      if (front.empty()) Chunks.pop_front();
    }
    if (DuringRead) DuringRead(n);
    return n;
  }
  int Purge(unsigned) override {
    ++Purges;
    return 1;
  }
  unsigned ClearCommError() override {
    if (ErrorMasks.empty()) return 0;
    const unsigned m = ErrorMasks.front();
    ErrorMasks.pop_front();
    return m;
  }
};

class TFakeOwner : public TPortOwner {
 public:
  explicit TFakeOwner(TSerialLink* link) : Link(link) {}
  TSerialLink* Link;
  int Reopens = 0;
  TSerialLink* CurrentPort() override { return Link; }
  void ReopenPort() override { ++Reopens; }
};

// One frame "%04d,%04d,%04d,%d\r" of raw values.
inline std::string Frame(int x, int y, int z, int status = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d,%04d,%04d,%d\r", x, y, z, status);
  return buf;
}

}  // namespace tevra::test
