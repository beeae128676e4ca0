#pragma once
// A scratch folder per test, removed with everything in it afterwards.
#include <filesystem>
#include <string>

namespace tevra::test {

class TTempDir {
 public:
  TTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tevra-sensor-XXXXXX").string();
    Path = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
  }
  ~TTempDir() {
    std::error_code ec;
    if (!Path.empty()) std::filesystem::remove_all(Path, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string File(const std::string& name) const { return Path + "/" + name; }
  std::string Path;
};

}  // namespace tevra::test
