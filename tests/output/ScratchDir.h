#pragma once
// A scratch working directory per test: created empty, made current, removed afterwards.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/AtomicFile.h"
#include "base/Cp932.h"

namespace tevra {

class ScratchDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tevra_output_XXXXXX";
    dir_ = mkdtemp(tmpl);
    previous_ = CurrentDirectory();
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    if (::chdir(previous_.c_str()) != 0) std::abort();
    std::filesystem::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return JoinPath(dir_, name); }
  // The file's bytes decoded from CP932 ("<unreadable>" when it cannot be read).
  std::string Utf8Of(const std::string& path) const {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return "<unreadable>";
    return Cp932ToUtf8(bytes);
  }
  std::string dir_;
  std::string previous_;
};

}  // namespace tevra
