#include "settings/SettingsFile.h"

#include <sstream>
#include <vector>

#include "support/ScratchDirTest.h"
#include "support/RecordingPlatform.h"
#include "settings/Profile.h"

namespace tevra {
namespace {

class SettingsFileTest : public ScratchDirTest {
 protected:
  void WriteIni(const std::string& utf8) {
    ASSERT_TRUE(WriteFileAtomically(Path(kSettingsFileName), Utf8ToCp932(utf8)));
  }
  // Keys of the file in the order they appear, with their values.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(Utf8Of(Path(kSettingsFileName)));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }
  TRecordingPlatform platform_;
  TPanelSettings settings_;
};

TEST_F(SettingsFileTest, MissingFileIsAnnouncedAfterTheSplashHidesThenCreatedWithNewFileValues) {
  bool splashHidden = false;
  auto profile = LoadSettings(settings_, platform_, [&] {
    splashHidden = true;
    EXPECT_TRUE(platform_.Calls.empty());
  });
  EXPECT_TRUE(splashHidden);
  ASSERT_EQ(platform_.Calls.size(), 1u);
  EXPECT_EQ(platform_.Calls[0], std::string("MessageBox ") + kSettingsMissingText + "||OK");

  const std::vector<std::string> expected = {"[00000000]",
                                             "ID=Default_ID",
                                             "UDPポート番号=80",
                                             "警報震度=1.500000",
                                             "地震情報の保存可否=1",
                                             "加速度情報の保存可否=1",
                                             "UDPパケット使用の可否=0",
                                             "警報の種類=0",
                                             "地震情報フォルダ名=" + dir_,
                                             "加速度情報フォルダ名=" + dir_,
                                             "警報加速度=20",
                                             "計測自動開始=0",
                                             "警報時振動情報の保存の可否=0"};
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(settings_.SensorId, "Default_ID");
  EXPECT_EQ(settings_.UdpPort, 80);
  EXPECT_EQ(settings_.EventFolder, dir_);
  EXPECT_EQ(settings_.DetailFolder, dir_);
  EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 1.5);
  EXPECT_TRUE(settings_.SaveEventLog && settings_.SaveDetailData);
  EXPECT_FALSE(settings_.UseUdp || settings_.AutoStart || settings_.SaveNoiseOnAlarm);

  // The next start finds the file and says nothing.
  platform_.Calls.clear();
  LoadSettings(settings_, platform_);
  EXPECT_TRUE(platform_.Calls.empty());
}

TEST_F(SettingsFileTest, EmptySectionAndKeysInOtherSectionsYieldTheMissingKeyDefaults) {
  WriteIni("[00000000]\n[other]\nID=Elsewhere\nUDPポート番号=1234\n警報の種類=2\n");
  LoadSettings(settings_, platform_);
  EXPECT_TRUE(platform_.Calls.empty());
  EXPECT_EQ(settings_.SensorId, "Default_ID");
  EXPECT_EQ(settings_.UdpPort, 6668);
  EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 1.5);
  EXPECT_EQ(settings_.AlarmAcceleration, 20);
  EXPECT_TRUE(settings_.SaveEventLog);
  EXPECT_TRUE(settings_.SaveDetailData);
  EXPECT_FALSE(settings_.UseUdp || settings_.AutoStart || settings_.SaveNoiseOnAlarm);
  EXPECT_EQ(settings_.AlarmKind, 0);
  EXPECT_EQ(settings_.EventFolder, "/");
  EXPECT_EQ(settings_.DetailFolder, "/");
}

TEST_F(SettingsFileTest, OddValuesLoadAndAreWrittenBackInTheirOwnFormats) {
  WriteIni(
      "[00000000]\nID=地震センサ１\nUDPポート番号=0\n警報震度=4.5\n地震情報の保存可否=2\n"
      "加速度情報の保存可否=0\n警報加速度=-5\nUDPパケット使用の可否=7\n警報の種類=2\n"
      "地震情報フォルダ名=/data/ev\n加速度情報フォルダ名=\n計測自動開始=1\n警報時振動情報の保存の可否=x\n");
  auto profile = LoadSettings(settings_, platform_);
  EXPECT_EQ(settings_.SensorId, "地震センサ１");
  EXPECT_EQ(settings_.UdpPort, 0);
  EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 4.5);
  EXPECT_TRUE(settings_.SaveEventLog);
  EXPECT_FALSE(settings_.SaveDetailData);
  EXPECT_EQ(settings_.AlarmAcceleration, -5);
  EXPECT_TRUE(settings_.UseUdp);
  EXPECT_EQ(settings_.AlarmKind, 2);
  EXPECT_EQ(settings_.EventFolder, "/data/ev");
  EXPECT_EQ(settings_.DetailFolder, "");
  EXPECT_TRUE(settings_.AutoStart);
  EXPECT_FALSE(settings_.SaveNoiseOnAlarm);

  SaveSettings(settings_, *profile);
  const std::vector<std::string> expected = {"[00000000]",
                                             "ID=地震センサ１",
                                             "UDPポート番号=0",
                                             "警報震度=4.500000",
                                             "地震情報の保存可否=1",
                                             "加速度情報の保存可否=0",
                                             "警報加速度=-5",
                                             "UDPパケット使用の可否=1",
                                             "警報の種類=2",
                                             "地震情報フォルダ名=/data/ev",
                                             "加速度情報フォルダ名=",
                                             "計測自動開始=1",
                                             "警報時振動情報の保存の可否=0"};
  EXPECT_EQ(Lines(), expected);
}

TEST_F(SettingsFileTest, LongIdIsCutAtACharacterBoundaryOnLoadAndSave) {
  // "A" and 20 two-byte characters: 41 CP932 bytes; 34 would split the 17th character.
  const std::string kanji20 = "震震震震震震震震震震震震震震震震震震震震";
  WriteIni("[00000000]\nID=A" + kanji20 + "\n");
  auto profile = LoadSettings(settings_, platform_);
  EXPECT_EQ(settings_.SensorId, "A震震震震震震震震震震震震震震震震");
  EXPECT_EQ(Utf8ToCp932(settings_.SensorId).size(), 33u);

  settings_.SensorId = std::string(40, 'x');
  settings_.EventFolder = "/" + std::string(4094, 'f');  // the longest path the system takes
  settings_.DetailFolder = "/" + std::string(254, 'f');
  SaveSettings(settings_, *profile);
  const TPanelSettings saved = settings_;
  LoadSettings(settings_, platform_);
  EXPECT_EQ(settings_.SensorId, std::string(34, 'x'));
  // Folders are never cut: a cut one sends the next run's files somewhere else.
  EXPECT_EQ(settings_.EventFolder, saved.EventFolder);
  EXPECT_EQ(settings_.DetailFolder, saved.DetailFolder);
}

// Read as 0, such a value put the alarm at rest or switched a file off, and the exit wrote the 0
// back for every later start.
TEST_F(SettingsFileTest, NumberKeysWithoutAFiniteNumberReadAsMissingKeys) {
  const char* keys[] = {"UDPポート番号",        "警報震度",     "地震情報の保存可否",
                        "加速度情報の保存可否", "警報加速度",   "UDPパケット使用の可否",
                        "警報の種類",           "計測自動開始", "警報時振動情報の保存の可否"};
  for (const char* bad : {"", " ", "abc", "-", ".", "+x1", "nan", "inf", "-inf", "+NaN", "Infinity"}) {
    std::string ini = "[00000000]\n";
    for (const char* key : keys) ini += std::string(key) + "=" + bad + "\n";
    WriteIni(ini);
    auto profile = LoadSettings(settings_, platform_);
    EXPECT_EQ(settings_.UdpPort, 6668) << bad;
    EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 1.5) << bad;
    EXPECT_TRUE(settings_.SaveEventLog && settings_.SaveDetailData) << bad;
    EXPECT_EQ(settings_.AlarmAcceleration, 20) << bad;
    EXPECT_FALSE(settings_.UseUdp || settings_.AutoStart || settings_.SaveNoiseOnAlarm) << bad;
    EXPECT_EQ(settings_.AlarmKind, 0) << bad;
    SaveSettings(settings_, *profile);
    EXPECT_EQ(Lines()[2], "警報震度=1.500000") << bad;
  }
  for (const char* kind : {"3", "-1", "9"}) {
    WriteIni(std::string("[00000000]\n警報の種類=") + kind + "\n");
    LoadSettings(settings_, platform_);
    EXPECT_EQ(settings_.AlarmKind, 0) << "a kind the panel does not know: " << kind;
  }
  WriteIni("[00000000]\n警報震度=1e999\n");
  LoadSettings(settings_, platform_);
  EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 1.5) << "an overflowing decimal";
  WriteIni("[00000000]\n警報震度= .5x\n警報加速度=1e10\nUDPポート番号=+7000\n");
  LoadSettings(settings_, platform_);
  EXPECT_DOUBLE_EQ(settings_.AlarmIntensity, 0.5) << "a number at the start counts, as ever";
  EXPECT_EQ(settings_.AlarmAcceleration, 1);  // the integer reading stops at the 'e'
  EXPECT_EQ(settings_.UdpPort, 7000);
}

TEST_F(SettingsFileTest, AFolderIsAcceptedOnlyWhenItReadsBackUnchanged) {
  EXPECT_TRUE(FolderReadsBack("/data/地震"));
  EXPECT_TRUE(FolderReadsBack(std::string("/").append(4094, 'f')));
  EXPECT_FALSE(FolderReadsBack(std::string("/").append(4095, 'f')));
  EXPECT_FALSE(FolderReadsBack("/data/ev "));
  EXPECT_FALSE(FolderReadsBack(" /data"));
  EXPECT_FALSE(FolderReadsBack("/a\nb"));
  EXPECT_FALSE(FolderReadsBack("/data/\xF0\x9F\x98\x80"));  // no CP932 character
}

TEST_F(SettingsFileTest, FileThatCannotBeCreatedStillLoadsTheDefaults) {
  const std::string unreachable = Path("no/such/folder/TevraPanel.ini");
  LoadSettings(settings_, platform_, {}, unreachable);
  EXPECT_EQ(platform_.Count("MessageBox"), 1);
  EXPECT_EQ(settings_.UdpPort, 6668);
  EXPECT_EQ(settings_.EventFolder, "/");
  EXPECT_EQ(settings_.SensorId, "Default_ID");
}

}  // namespace
}  // namespace tevra
