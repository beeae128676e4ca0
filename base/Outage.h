#pragma once
// A file that cannot be written is reported once per outage: at the first failed write, and not
// again until a write to it has succeeded.
#include <utility>

namespace tevra {

class TOutage {
 public:
  // A write failed: true when that begins an outage, the one failure worth reporting.
  bool Failed() { return !std::exchange(active_, true); }
  // A write succeeded: true when that ends an outage.
  bool Succeeded() { return std::exchange(active_, false); }
  bool Active() const { return active_; }

 private:
  bool active_ = false;
};

}  // namespace tevra
