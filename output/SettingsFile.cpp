#include "output/SettingsFile.h"

#include <cmath>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "sensor/IniText.h"
#include "sensor/Profile.h"

namespace tevra {
namespace {

constexpr const char* kId = "ID";
constexpr const char* kUdpPort = "UDPポート番号";
constexpr const char* kAlarmIntensity = "警報震度";
constexpr const char* kSaveEventLog = "地震情報の保存可否";
constexpr const char* kSaveDetailData = "加速度情報の保存可否";
constexpr const char* kAlarmAcceleration = "警報加速度";
constexpr const char* kUseUdp = "UDPパケット使用の可否";
constexpr const char* kAlarmKind = "警報の種類";
constexpr const char* kEventFolder = "地震情報フォルダ名";
constexpr const char* kDetailFolder = "加速度情報フォルダ名";
constexpr const char* kAutoStart = "計測自動開始";
constexpr const char* kSaveNoiseOnAlarm = "警報時振動情報の保存の可否";

constexpr const char* kDefaultId = "Default_ID";
constexpr int kDefaultUdpPort = 6668;
constexpr int kNewFileUdpPort = 80;
// The drive root where the first platform had "c:\".
constexpr const char* kDefaultFolder = "/";
// Text values are read into a 255-byte buffer; folders whole, up to the system's path limit.
constexpr std::size_t kReadBufferSize = 255;
constexpr std::size_t kFolderBufferSize = TPanelSettings::FolderMaxBytes + 1;

void WriteNewFile(Profile& profile, const std::string& section) {
  const Profile::TBatch batch(profile);
  const std::string cwd = CurrentDirectory();
  profile.WriteString(section, kId, kDefaultId);
  profile.WriteInteger(section, kUdpPort, kNewFileUdpPort);
  profile.WriteFloat(section, kAlarmIntensity, 1.5);
  profile.WriteInteger(section, kSaveEventLog, 1);
  profile.WriteInteger(section, kSaveDetailData, 1);
  profile.WriteInteger(section, kUseUdp, 0);
  profile.WriteInteger(section, kAlarmKind, 0);
  profile.WriteString(section, kEventFolder, cwd);
  profile.WriteString(section, kDetailFolder, cwd);
  profile.WriteInteger(section, kAlarmAcceleration, 20);
  profile.WriteInteger(section, kAutoStart, 0);
  profile.WriteInteger(section, kSaveNoiseOnAlarm, 0);
}

// "nan" or "inf" would read as 0 (an alarm on every evaluation), and an overflowing decimal as
// infinity: such a threshold reads like a missing key.
bool NamesNoFiniteNumber(const Profile& profile, const std::string& section, const char* key) {
  const std::string stored = profile.ReadString(section, key, "", 32);
  std::string_view text = stored;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  const auto startsWith = [&](const char* word) {
    if (text.size() < 3) return false;
    for (int i = 0; i < 3; ++i) {
      if ((text[i] | 0x20) != word[i]) return false;
    }
    return true;
  };
  return startsWith("inf") || startsWith("nan");
}

double ReadThreshold(const Profile& profile, const std::string& section, const char* key, double def) {
  if (NamesNoFiniteNumber(profile, section, key)) return def;
  const double value = profile.ReadFloat(section, key, def);
  return std::isfinite(value) ? value : def;
}

int ReadThreshold(const Profile& profile, const std::string& section, const char* key, int def) {
  return NamesNoFiniteNumber(profile, section, key) ? def : profile.ReadInteger(section, key, def);
}

bool ReadBool(const Profile& profile, const std::string& section, const char* key, bool def) {
  return profile.ReadInteger(section, key, def ? 1 : 0) != 0;
}

}  // namespace

std::unique_ptr<Profile> LoadSettings(TPanelSettings& settings, TPlatform& platform,
                                      const std::function<void()>& hideSplash, const std::string& fileName) {
  settings = TPanelSettings{};
  if (hideSplash) hideSplash();

  auto profile = std::make_unique<Profile>(fileName);
  if (profile->Missing != 0) {
    platform.MessageBox(kSettingsMissingText, "", false);
    WriteNewFile(*profile, settings.SettingsSection);
    profile = std::make_unique<Profile>(fileName);
  }

  const std::string& section = settings.SettingsSection;
  settings.SensorId = profile->ReadString(section, kId, kDefaultId, kReadBufferSize);
  settings.UdpPort = profile->ReadInteger(section, kUdpPort, kDefaultUdpPort);
  settings.AlarmIntensity = ReadThreshold(*profile, section, kAlarmIntensity, settings.AlarmIntensity);
  settings.AlarmAcceleration =
      ReadThreshold(*profile, section, kAlarmAcceleration, settings.AlarmAcceleration);
  settings.SaveEventLog = ReadBool(*profile, section, kSaveEventLog, settings.SaveEventLog);
  settings.SaveDetailData = ReadBool(*profile, section, kSaveDetailData, settings.SaveDetailData);
  settings.UseUdp = ReadBool(*profile, section, kUseUdp, settings.UseUdp);
  settings.AlarmKind = profile->ReadInteger(section, kAlarmKind, settings.AlarmKind);
  settings.EventFolder = profile->ReadString(section, kEventFolder, kDefaultFolder, kFolderBufferSize);
  settings.DetailFolder = profile->ReadString(section, kDetailFolder, kDefaultFolder, kFolderBufferSize);
  settings.AutoStart = ReadBool(*profile, section, kAutoStart, settings.AutoStart);
  settings.SaveNoiseOnAlarm = ReadBool(*profile, section, kSaveNoiseOnAlarm, settings.SaveNoiseOnAlarm);
  FitSettingsTexts(settings);
  return profile;
}

bool FolderReadsBack(const std::string& folder) {
  std::string file;
  std::string_view value;
  if (!SetIniValue(file, "s", "k", Utf8ToCp932(folder)) || !FindIniValue(file, "s", "k", value)) return false;
  return Cp932ToUtf8(CutCp932(value, kFolderBufferSize - 1)) == folder;
}

void SaveSettings(const TPanelSettings& record, Profile& profile) {
  TPanelSettings settings = record;
  FitSettingsTexts(settings);
  const Profile::TBatch batch(profile);
  const std::string& section = settings.SettingsSection;
  profile.WriteString(section, kId, settings.SensorId);
  profile.WriteInteger(section, kUdpPort, settings.UdpPort);
  profile.WriteFloat(section, kAlarmIntensity, settings.AlarmIntensity);
  profile.WriteInteger(section, kSaveEventLog, settings.SaveEventLog ? 1 : 0);
  profile.WriteInteger(section, kSaveDetailData, settings.SaveDetailData ? 1 : 0);
  profile.WriteInteger(section, kAlarmAcceleration, settings.AlarmAcceleration);
  profile.WriteInteger(section, kUseUdp, settings.UseUdp ? 1 : 0);
  profile.WriteInteger(section, kAlarmKind, settings.AlarmKind);
  profile.WriteString(section, kEventFolder, settings.EventFolder);
  profile.WriteString(section, kDetailFolder, settings.DetailFolder);
  profile.WriteInteger(section, kAutoStart, settings.AutoStart ? 1 : 0);
  profile.WriteInteger(section, kSaveNoiseOnAlarm, settings.SaveNoiseOnAlarm ? 1 : 0);
}

}  // namespace tevra
