#include "settings/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

using test::TScratchDir;

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string Get(const std::string& path) {
  std::string s;
  ReadWholeFile(path, s);
  return s;
}

class ProfileTest : public ::testing::Test {
 protected:
  TScratchDir dir;
  std::string file = dir.File("t.ini");
};

TEST_F(ProfileTest, PathIsTakenInTheCurrentDirectoryUnlessTheNameHasASlash) {
  char old[4096];
  ASSERT_NE(getcwd(old, sizeof old), nullptr);
  ASSERT_EQ(chdir(dir.Path.c_str()), 0);
  Profile relative("ComPort.ini");
  Profile root_relative("sub/x.ini");
  ASSERT_EQ(chdir("/"), 0);
  Profile atRoot("ComPort.ini");
  ASSERT_EQ(chdir(old), 0);

  EXPECT_EQ(relative.Path, dir.Path + "/ComPort.ini");
  EXPECT_EQ(root_relative.Path, "sub/x.ini");
  EXPECT_EQ(atRoot.Path, "/ComPort.ini");
  EXPECT_EQ(relative.Missing, -1);
}

TEST_F(ProfileTest, MissingTellsWhetherTheFileWasReadableAtConstructionOnly) {
  Profile before(file);
  EXPECT_EQ(before.Missing, -1);
  before.WriteInteger("S", "K", 1);
  EXPECT_EQ(before.Missing, -1);  // writes never change it
  EXPECT_EQ(Profile(file).Missing, 0);
  // A folder cannot be read as a settings file.
  EXPECT_EQ(Profile(dir.Path + "/").Missing, -1);
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(file.c_str(), 0), 0);
    EXPECT_EQ(Profile(file).Missing, -1);
  }
}

TEST_F(ProfileTest, AFileThatCouldNotBeReadIsWrittenWithTheOrdinaryMode) {
  Put(file, "[S]\nK=1\n");
  ASSERT_EQ(chmod(file.c_str(), 0), 0);
  ASSERT_EQ(chmod(dir.Path.c_str(), 0777), 0);
  // As an ordinary user: root reads any file.
  const pid_t child = fork();
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    umask(022);
    Profile p(file);
    p.WriteInteger("S", "K", 2);
    {
      const Profile::TBatch batch(p);
      p.WriteInteger("S", "L", 3);
    }
    _exit(p.ReadInteger("S", "K", 0) == 2 && p.ReadInteger("S", "L", 0) == 3 ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0) << "later reads find what was written";
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(ProfileTest, ReadStringFallsBackToTheDefaultOnlyForMissingItems) {
  Put(file, "[Main]\r\n  Name =  Alpha Beta \r\nEmpty=\r\n[Other]\r\nOnly=1\r\n");
  Profile p(file);
  EXPECT_EQ(p.ReadString("Main", "Name", "d", 255), "Alpha Beta");
  EXPECT_EQ(p.ReadString("MAIN", "nAmE", "d", 255), "Alpha Beta");
  EXPECT_EQ(p.ReadString("Main", "Empty", "d", 255), "");
  EXPECT_EQ(p.ReadString("Main", "Only", "d", 255), "d");  // belongs to another section
  EXPECT_EQ(p.ReadString("None", "Name", "d", 255), "d");
  EXPECT_EQ(Profile(dir.File("absent.ini")).ReadString("Main", "Name", "dflt", 255), "dflt");
  // Stored text and default alike are cut to the buffer size minus the terminator.
  EXPECT_EQ(p.ReadString("Main", "Name", "d", 6), "Alpha");
  EXPECT_EQ(p.ReadString("Main", "X", "defaulttext", 4), "def");
  EXPECT_EQ(p.ReadString("Main", "Name", "d", 1), "");
  EXPECT_EQ(p.ReadString("Main", "Name", "d", 0), "");
}

TEST_F(ProfileTest, JapaneseNamesAndValuesAreCp932InTheFileAndUtf8Outside) {
  Profile p(file);
  p.WriteString("00000000", "地震情報フォルダ名", "C:\\データ");
  const std::string bytes = Get(file);
  EXPECT_EQ(bytes,
            "[00000000]\n" + Utf8ToCp932("地震情報フォルダ名") + "=" + Utf8ToCp932("C:\\データ") + "\n");
  EXPECT_EQ(p.ReadString("00000000", "地震情報フォルダ名", "", 255), "C:\\データ");
  // A cut never splits a two-byte character: "C:\" is 3 bytes, "データ" 6.
  EXPECT_EQ(p.ReadString("00000000", "地震情報フォルダ名", "", 3 + 4), "C:\\デ");
  EXPECT_EQ(p.ReadString("00000000", "地震情報フォルダ名", "", 3 + 5), "C:\\デー");
  EXPECT_EQ(p.ReadString("00000000", "地震情報フォルダ名", "", 3 + 6), "C:\\デー");
  EXPECT_EQ(p.ReadString("00000000", "地震情報フォルダ名", "", 3 + 6 + 1), "C:\\データ");
}

TEST_F(ProfileTest, CaseFoldingLeavesTrailBytesOfTwoByteCharactersAlone) {
  // "ア" is 0x83 0x41: its trail byte is 'A' and must not match "ャ" (0x83 0x61, trail 'a').
  Profile p(file);
  p.WriteString("S", "ア", "1");
  EXPECT_EQ(p.ReadString("S", "ャ", "none", 16), "none");
  EXPECT_EQ(p.ReadString("S", "ア", "none", 16), "1");
  // "ゾ" is 0x83 0x5D: that trail byte is no ']' closing the section name.
  const std::string zone = std::string(1, '[').append(Utf8ToCp932("ゾーン")).append("]\n");
  Put(file, zone + "K=v\n");
  EXPECT_EQ(Profile(file).ReadString("ゾーン", "k", "d", 16), "v");
  Profile(file).WriteString("ゾーン", "K", "w");
  EXPECT_EQ(Get(file), zone + "K=w\n");
}

TEST_F(ProfileTest, ReadIntegerFollowsAtolOnAtMostFifteenCharacters) {
  Put(file,
      "[S]\na= 42\nb=4.9\nc=-7x\nd=\ne=abc\nf=+12\ng=1234567890123456789\nh=-99999999999\n"
      "i=0000000000000000007\n");
  Profile p(file);
  EXPECT_EQ(p.ReadInteger("S", "a", 5), 42);
  EXPECT_EQ(p.ReadInteger("S", "b", 5), 4);
  EXPECT_EQ(p.ReadInteger("S", "c", 5), -7);
  EXPECT_EQ(p.ReadInteger("S", "d", 5), 0);
  EXPECT_EQ(p.ReadInteger("S", "e", 5), 0);
  EXPECT_EQ(p.ReadInteger("S", "f", 5), 12);
  EXPECT_EQ(p.ReadInteger("S", "missing", -5), -5);
  EXPECT_EQ(p.ReadInteger("S", "missing", INT_MIN), INT_MIN);
  // Out-of-range texts are clamped rather than wrapped.
  EXPECT_EQ(p.ReadInteger("S", "g", 0), INT_MAX);
  EXPECT_EQ(p.ReadInteger("S", "h", 0), INT_MIN);
  // Only 15 characters are looked at: the 7 in position 19 is cut off.
  EXPECT_EQ(p.ReadInteger("S", "i", 5), 0);
}

TEST_F(ProfileTest, ReadFloatFollowsAtofInDecimalNotation) {
  Put(file, "[S]\na=0.3\nb=  -2.5x\nc=1e3\nd=abc\ne=0x10\nf=.5\ng=5.\nh=nan\ni=1e999\nj=7e\n");
  Profile p(file);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "a", 9), 0.3);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "b", 9), -2.5);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "c", 9), 1000.0);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "d", 9), 0.0);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "e", 9), 0.0);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "f", 9), 0.5);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "g", 9), 5.0);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "h", 9), 0.0);
  EXPECT_EQ(p.ReadFloat("S", "i", 9), HUGE_VAL);
  EXPECT_DOUBLE_EQ(p.ReadFloat("S", "j", 9), 7.0);
  // The default goes through its "%f" text.
  EXPECT_EQ(p.ReadFloat("S", "missing", 0.3), 0.3);
  EXPECT_EQ(p.ReadFloat("S", "missing", 1.0 / 3), 0.333333);
}

TEST_F(ProfileTest, WritesProduceTheExpectedBytes) {
  Profile p(file);
  EXPECT_EQ(p.WriteInteger("RS232C", "COM", 1), 1);
  p.WriteInteger("RS232C", "BAUD", 9600);
  p.WriteInteger("RS232C", "BIT", 8);
  p.WriteInteger("RS232C", "STOP", 1);
  p.WriteInteger("RS232C", "COM", 1);
  EXPECT_EQ(p.WriteString("RS232C", "PARITY", "NONE"), "NONE");
  EXPECT_EQ(Get(file), "[RS232C]\nCOM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n");

  EXPECT_EQ(p.WriteFloat("X", "f", 20), 20.0);
  p.WriteInteger("X", "i", -5);
  p.WriteFloat("X", "g", -0.0000004);
  EXPECT_EQ(Get(file),
            "[RS232C]\nCOM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n[X]\nf=20.000000\ni=-5\ng=-0.000000\n");
}

TEST_F(ProfileTest, ABatchWritesTheFileOnceAndItsReadsSeeTheEdits) {
  Put(file, "[S]\nkeep=1\n");
  Profile p(file);
  {
    const Profile::TBatch batch(p);
    p.WriteInteger("S", "a", 7);
    p.WriteString("S", "keep", "2");
    EXPECT_EQ(Get(file), "[S]\nkeep=1\n") << "nothing reaches the disk before the batch ends";
    EXPECT_EQ(p.ReadInteger("S", "a", 0), 7);
  }
  EXPECT_EQ(Get(file), "[S]\nkeep=2\na=7\n");
  struct stat before {};
  ::stat(file.c_str(), &before);
  { const Profile::TBatch unchanged(p); }
  struct stat after {};
  ::stat(file.c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino) << "a batch without writes leaves the file alone";
  p.WriteInteger("S", "a", 8);
  EXPECT_EQ(p.ReadInteger("S", "a", 0), 8) << "outside a batch every write goes to the file";
}

TEST_F(ProfileTest, EditsKeepEveryOtherByteOfAHandMadeFile) {
  const std::string original =
      "; made by hand\r\n[A]\r\n  key = old  \r\nz=1\r\n\r\n[B]\r\nb=2\r\n\r\n[a]\r\nkey=shadowed\r\n";
  Put(file, original);
  Profile p(file);
  p.WriteString("a", "KEY", "new");  // replaced in place, in the first [A]
  p.WriteString("A", "added", "3");  // after the section's last line, before the blank line
  p.WriteString("b", "c", "4");
  p.WriteString("C", "d", "5");  // new section at the end, with the file's CR LF
  EXPECT_EQ(Get(file),
            "; made by hand\r\n[A]\r\nKEY=new\r\nz=1\r\nadded=3\r\n\r\n[B]\r\nb=2\r\nc=4\r\n\r\n[a]\r\n"
            "key=shadowed\r\n[C]\r\nd=5\r\n");
  EXPECT_EQ(p.ReadString("A", "key", "", 64), "new");
}

TEST_F(ProfileTest, ASectionEndingWithoutLineEndGetsOneBeforeTheNewKey) {
  Put(file, "[S]\na=1");
  Profile p(file);
  p.WriteString("S", "b", "2");
  EXPECT_EQ(Get(file), "[S]\na=1\nb=2\n");
}

TEST_F(ProfileTest, ValuesCannotInjectLinesAndBadNamesAreNotWritten) {
  Profile p(file);
  p.WriteString("S", "k", "one\r\n[Evil]\nx=1");
  EXPECT_EQ(p.ReadString("S", "k", "", 255), "one  [Evil] x=1");
  EXPECT_EQ(p.ReadString("Evil", "x", "none", 255), "none");
  const std::string before = Get(file);
  p.WriteString("S", "a=b", "v");
  p.WriteString("S", "", "v");
  p.WriteString("S]x", "k2", "v");
  p.WriteString("S\n[T", "k2", "v");
  EXPECT_EQ(Get(file), before);
}

TEST_F(ProfileTest, AWriteThatCannotBeDoneIsLostQuietly) {
  Profile p(dir.File("no/such/folder/t.ini"));
  EXPECT_EQ(p.WriteInteger("S", "k", 3), 3);
  EXPECT_EQ(p.ReadInteger("S", "k", 7), 7);
}

TEST_F(ProfileTest, NumbersIgnoreACommaDecimalLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  const std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  Profile p(file);
  p.WriteFloat("S", "f", 1.5);
  Put(dir.File("in.ini"), "[S]\nf=4.5\n");
  const double read = Profile(dir.File("in.ini")).ReadFloat("S", "f", 0);
  std::setlocale(LC_ALL, saved.c_str());
  EXPECT_EQ(Get(file), "[S]\nf=1.500000\n");
  EXPECT_EQ(read, 4.5);
}

}  // namespace
}  // namespace tevra
