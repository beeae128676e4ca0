#pragma once
// A text file opened for appending ("a+") whose writes reach the kernel at once: the stream is
// unbuffered, so a crash cannot eat a line, and a write that fails leaves no torn line behind.
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace tevra {

class TAppendFile {
 public:
  TAppendFile() = default;
  ~TAppendFile() { Close(); }
  TAppendFile(const TAppendFile&) = delete;
  TAppendFile& operator=(const TAppendFile&) = delete;

  // Opens (creating when missing) for appending; false when it cannot be opened.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The open file has been deleted (its folder too, maybe): writes would vanish with it. Writers that
  // keep a file open for long ask before they write; the appends themselves do not.
  bool Vanished() const;
  // Closes and deletes the file (a detail file that never got its header).
  void Remove();

  // Appends all of `bytes` or nothing: a short write is cut back off the file. False on failure.
  bool Append(std::string_view bytes);

  // Appends as much of `bytes` as the disk takes, cut back to the last whole piece: `ends` holds
  // the end offsets of the pieces (ascending). Returns how many pieces were written completely.
  std::size_t AppendPieces(std::string_view bytes, const std::size_t* ends, std::size_t pieceCount);

  // Current size of the file, or -1 when unknown.
  long long Size() const;
  // Cuts the file back to `size` bytes (undoing appends after a failed step).
  void TruncateTo(long long size);

 private:
  // Writes until done or an error; the number of bytes that reached the file.
  std::size_t WriteSome(std::string_view bytes);

  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace tevra
