#include "base/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/ScratchDir.h"

namespace tevra {
namespace {

namespace fs = std::filesystem;

class AtomicFileTest : public ::testing::Test {
 protected:
  test::TScratchDir scratch_;
  const std::string dir_ = scratch_.Path;
};

TEST_F(AtomicFileTest, ReplacesContentKeepsModeAndLeavesNoTemporaryFile) {
  const std::string path = JoinPath(dir_, "a.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "first\n"));
  ::chmod(path.c_str(), 0640);
  ASSERT_TRUE(WriteFileAtomically(path, "second\n"));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "second\n");
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, WritesThroughASymbolicLinkToItsTarget) {
  fs::create_directory(dir_ + "/real");
  const std::string target = dir_ + "/real/t.csv";
  const std::string link = dir_ + "/link.csv";
  fs::create_symlink("real/t.csv", link);
  ASSERT_TRUE(WriteFileAtomically(link, "x"));
  EXPECT_TRUE(fs::is_symlink(link));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(target, bytes));
  EXPECT_EQ(bytes, "x");
}

TEST_F(AtomicFileTest, MissingFolderFailsAndReadOnlyFolderWritesInPlace) {
  EXPECT_FALSE(WriteFileAtomically(dir_ + "/no/such/folder/f", "x"));
  EXPECT_FALSE(WriteFileAtomically("", "x"));
  std::string bytes;
  EXPECT_FALSE(ReadWholeFile(dir_ + "/missing", bytes));

  const std::string path = JoinPath(dir_, "f.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "old"));
  if (::getuid() != 0) {
    ::chmod(dir_.c_str(), 0555);
    EXPECT_TRUE(WriteFileAtomically(path, "new"));
  } else {
    // Root writes anywhere: let an unprivileged child own the file but not the folder.
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ::chmod(dir_.c_str(), 0755);
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
      ::_exit(WriteFileAtomically(path, "new") ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ASSERT_TRUE(ReadWholeFile(path, bytes));
  EXPECT_EQ(bytes, "new");
}

TEST_F(AtomicFileTest, LeftoversOfAnInterruptedWriteAreRemovedAndNothingElse) {
  const std::string path = JoinPath(dir_, "TevraPanel.ini");
  ASSERT_TRUE(WriteFileAtomically(path, "kept"));
  for (const char* name : {"TevraPanel.ini.tmp.a1B2c3", "TevraPanel.ini.tmp.zzzzzz", "TevraPanel.ini.tmp.short",
                           "TevraPanel.ini.tmp.toolong", "Other.ini.tmp.a1B2c3"}) {
    ASSERT_TRUE(WriteFileAtomically(JoinPath(dir_, name), "x"));
  }
  ASSERT_EQ(mkdir(JoinPath(dir_, "TevraPanel.ini.tmp.folder").c_str(), 0700), 0);
  EXPECT_EQ(RemoveInterruptedWrites(path), 2);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()), 5);
  std::string bytes;
  EXPECT_TRUE(ReadWholeFile(path, bytes) && bytes == "kept");
}

TEST(JoinPath, AWorkingDirectoryThatIsGoneGivesTheBareNameNotOneInTheRoot) {
  const std::string before = CurrentDirectory();
  char gone[] = "/tmp/tevra-cwd-XXXXXX";
  ASSERT_NE(mkdtemp(gone), nullptr);
  ASSERT_EQ(chdir(gone), 0);
  EXPECT_EQ(InWorkingDirectory("NoiseData.csv"), std::string(gone) + "/NoiseData.csv");
  ASSERT_EQ(rmdir(gone), 0);
  EXPECT_EQ(InWorkingDirectory("NoiseData.csv"), "NoiseData.csv");
  ASSERT_EQ(chdir(before.c_str()), 0);
}

TEST(JoinPath, AddsOneSlashOnlyWhenNeeded) {
  EXPECT_EQ(JoinPath("/", "NoiseData.csv"), "/NoiseData.csv");
  EXPECT_EQ(JoinPath("/work", "NoiseData.csv"), "/work/NoiseData.csv");
  EXPECT_EQ(JoinPath("/work/", "NoiseData.csv"), "/work/NoiseData.csv");
}

}  // namespace
}  // namespace tevra
