#include "station/DiskSpace.h"

#include <sys/statvfs.h>

#include <algorithm>

#include "base/TextFormat.h"

namespace tevra {

bool KernelFreeSpace(const std::string& folder, std::uint64_t& freeBytes) {
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return false;
  freeBytes = static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
  return true;
}

void TDiskCheck::Check(std::int64_t nowMs, const std::vector<std::string>& folders,
                       const TFreeSpaceQuery& query) {
  checked_ = true;
  lastMs_ = nowMs;
  results_.clear();
  for (const std::string& named : folders) {
    const std::string folder = named.empty() ? "." : named;
    const bool seen = std::any_of(results_.begin(), results_.end(),
                                  [&](const TFolderSpace& r) { return r.Folder == folder; });
    if (seen) continue;
    TFolderSpace space;
    space.Folder = folder;
    space.Known = query && query(folder, space.FreeBytes);
    results_.push_back(space);
  }
}

const TFolderSpace* TDiskCheck::Tightest() const {
  const TFolderSpace* tightest = nullptr;
  for (const TFolderSpace& r : results_) {
    if (r.Known && (!tightest || r.FreeBytes < tightest->FreeBytes)) tightest = &r;
  }
  return tightest;
}

bool TDiskCheck::Low() const {
  const TFolderSpace* tightest = Tightest();
  return tightest && tightest->FreeBytes < LowBytes;
}

std::string DiskSpaceText(const TDiskCheck& check) {
  const TFolderSpace* tightest = check.Tightest();
  if (!tightest) return "空き 不明";
  const double bytes = static_cast<double>(tightest->FreeBytes);
  std::string text = bytes >= 1e9 ? Printf("空き %.1fGB", bytes / 1e9) : Printf("空き %.0fMB", bytes / 1e6);
  if (check.Low()) text += " 不足";
  return text;
}

}  // namespace tevra
