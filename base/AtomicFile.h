#pragma once
// Whole-file replacement that a crash cannot leave half written.
#include <cstdio>
#include <string>
#include <string_view>

namespace tevra {

// Writes `bytes` to a temporary file in the target's folder, syncs it and renames it over the
// target. A symbolic link is written through to its target, and an existing file keeps its mode
// unless `keepMode` is false (a file that could not be read gets the ordinary mode instead, or it
// would stay unreadable). Where the folder is not writable the file is rewritten in place instead.
// False on any failure.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, bool keepMode = true);

// Removes what a write of `path` left behind when it was killed before its rename: regular files
// named like its temporary files ("<name>.tmp.XXXXXX") beside it. Returns how many went.
int RemoveInterruptedWrites(const std::string& path);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Opens a regular file for reading ("rb"); null for anything else. Never blocks: a named pipe
// in place of a settings file would otherwise hold the start-up until a writer came.
std::FILE* OpenRegularFile(const std::string& path);

// `dir` joined with `name` by '/', unless `dir` already ends in one.
std::string JoinPath(const std::string& dir, const std::string& name);

// The current working directory ("" if it cannot be determined).
std::string CurrentDirectory();

// `name` in the working directory: the bare relative name where the directory cannot be
// determined (a removed one), never a file in "/". A name with a slash is a path already and stays.
std::string InWorkingDirectory(const std::string& name);

}  // namespace tevra
