#pragma once
// A scratch folder for one test: created empty, made the working directory if asked, removed with
// everything in it afterwards (the old working directory restored first).
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/AtomicFile.h"

namespace tevra::test {

class TScratchDir {
 public:
  enum TEnter { Stay, Enter };

  explicit TScratchDir(TEnter enter = Stay) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tevra-test-XXXXXX").string();
    Path = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    if (enter == Enter && !Path.empty()) {
      previous_ = CurrentDirectory();
      if (::chdir(Path.c_str()) != 0) previous_.clear();
    }
  }
  ~TScratchDir() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) std::abort();
    if (Path.empty()) return;
    std::error_code ec;
    // A test may have taken the write right away to see a failure.
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ec);
    std::filesystem::remove_all(Path, ec);
  }
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;

  std::string File(const std::string& name) const { return JoinPath(Path, name); }

  std::string Path;

 private:
  std::string previous_;
};

}  // namespace tevra::test
