#pragma once
// Free space of the folders the panel writes to, checked at the start and every hour: a full disk
// would silently end the records. The file-system query is a function, so tests can fake it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tevra {

// The bytes an unprivileged writer may still use in `folder`; false when it cannot be asked.
using TFreeSpaceQuery = std::function<bool(const std::string& folder, std::uint64_t& freeBytes)>;
bool KernelFreeSpace(const std::string& folder, std::uint64_t& freeBytes);

struct TFolderSpace {
  std::string Folder;
  bool Known = false;
  std::uint64_t FreeBytes = 0;
};

class TDiskCheck {
 public:
  static constexpr std::uint64_t LowBytes = 100ull * 1000 * 1000;
  static constexpr std::int64_t EveryMs = 60LL * 60 * 1000;

  // True before the first check and an hour after the last one.
  bool Due(std::int64_t nowMs) const { return !checked_ || nowMs - lastMs_ >= EveryMs; }
  // Asks once for each folder ("" is the working directory; a folder named twice is asked once).
  void Check(std::int64_t nowMs, const std::vector<std::string>& folders, const TFreeSpaceQuery& query);

  const std::vector<TFolderSpace>& Results() const { return results_; }
  // The known folder with the least free space; nullptr when none is known.
  const TFolderSpace* Tightest() const;
  bool Low() const;

 private:
  bool checked_ = false;
  std::int64_t lastMs_ = 0;
  std::vector<TFolderSpace> results_;
};

// The status-bar text (UTF-8): "空き 12.3GB", "空き 85MB 不足", "空き 不明".
std::string DiskSpaceText(const TDiskCheck& check);

}  // namespace tevra
