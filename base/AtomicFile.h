#pragma once
// Whole-file replacement that a crash cannot leave half written.
#include <string>
#include <string_view>

namespace tevra {

// Writes `bytes` to a temporary file in the target's folder, syncs it and renames it over the
// target. A symbolic link is written through to its target, and an existing file keeps its mode.
// Where the folder is not writable the file is rewritten in place instead. False on any failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// `dir` joined with `name` by '/', unless `dir` already ends in one.
std::string JoinPath(const std::string& dir, const std::string& name);

// The current working directory ("" if it cannot be determined).
std::string CurrentDirectory();

}  // namespace tevra
