#pragma once
// A scratch working directory per test: created empty, made current, removed afterwards.
#include <gtest/gtest.h>

#include <string>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "support/ScratchDir.h"

namespace tevra {

class ScratchDirTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return JoinPath(dir_, name); }
  // The file's bytes decoded from CP932 ("<unreadable>" when it cannot be read).
  std::string Utf8Of(const std::string& path) const {
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) return "<unreadable>";
    return Cp932ToUtf8(bytes);
  }
  test::TScratchDir scratch_{test::TScratchDir::Enter};
  const std::string dir_ = scratch_.Path;
};

}  // namespace tevra
