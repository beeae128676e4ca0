#include "base/AppendFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tevra {

bool TAppendFile::Open(const std::string& path) {
  Close();
  // "e": the descriptor must not leak into programs started later.
  file_ = std::fopen(path.c_str(), "a+e");
  if (file_ == nullptr) return false;
  path_ = path;
  // Every write goes straight to the kernel, so its result tells what reached the file.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  return true;
}

void TAppendFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

std::size_t TAppendFile::WriteSome(std::string_view bytes) {
  if (file_ == nullptr) return 0;
  const int fd = fileno(file_);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  std::fflush(file_);
  return done;
}

bool TAppendFile::Vanished() const {
  if (file_ == nullptr) return false;
  struct stat st {};
  return fstat(fileno(file_), &st) == 0 && st.st_nlink == 0;
}

void TAppendFile::Remove() {
  if (file_ == nullptr) return;
  struct stat st {};
  const bool regular = fstat(fileno(file_), &st) == 0 && S_ISREG(st.st_mode);
  Close();
  if (regular) ::unlink(path_.c_str());
}

long long TAppendFile::Size() const {
  if (file_ == nullptr) return -1;
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

void TAppendFile::TruncateTo(long long size) {
  if (file_ == nullptr || size < 0) return;
  // Nothing more can be done where the file refuses it (a device); the caller has failed anyway.
  if (ftruncate(fileno(file_), static_cast<off_t>(size)) != 0) return;
}

bool TAppendFile::Append(std::string_view bytes) {
  if (file_ == nullptr) return false;
  const long long before = Size();
  const std::size_t written = WriteSome(bytes);
  if (written == bytes.size()) return true;
  if (written > 0 && before >= 0) TruncateTo(before);
  return false;
}

std::size_t TAppendFile::AppendPieces(std::string_view bytes, const std::size_t* ends,
                                      std::size_t pieceCount) {
  if (file_ == nullptr || pieceCount == 0) return 0;
  const long long before = Size();
  const std::size_t written = WriteSome(bytes);
  std::size_t whole = 0;
  while (whole < pieceCount && ends[whole] <= written) ++whole;
  const std::size_t kept = whole == 0 ? 0 : ends[whole - 1];
  if (written != kept && before >= 0) TruncateTo(before + static_cast<long long>(kept));
  return whole;
}

}  // namespace tevra
