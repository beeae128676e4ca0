#include "settings/SettingsFile.h"

#include <cmath>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "settings/IniText.h"
#include "settings/Profile.h"

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

// A value without a number at its start (empty, a word, "nan", "inf") would read as 0: an alarm at
// rest or a file switched off, written back so at the exit. It reads like a missing key.
bool StartsWithNumber(const Profile& profile, const std::string& section, const char* key, bool decimal) {
  const std::string text = profile.ReadString(section, key, "0", 32);
  std::size_t i = text.find_first_not_of(" \t\n\v\f\r");  // blanks first, as the readers skip them
  if (i == std::string::npos) return false;
  if (text[i] == '+' || text[i] == '-') ++i;
  if (decimal && i < text.size() && text[i] == '.') ++i;
  return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

// An overflowing decimal reads as infinity: as a missing key too.
double ReadNumber(const Profile& profile, const std::string& section, const char* key, double def) {
  if (!StartsWithNumber(profile, section, key, true)) return def;
  const double value = profile.ReadFloat(section, key, def);
  return std::isfinite(value) ? value : def;
}

int ReadNumber(const Profile& profile, const std::string& section, const char* key, int def) {
  return StartsWithNumber(profile, section, key, false) ? profile.ReadInteger(section, key, def) : def;
}

bool ReadBool(const Profile& profile, const std::string& section, const char* key, bool def) {
  return ReadNumber(profile, section, key, def ? 1 : 0) != 0;
}

// A kind the panel does not know would label one criterion and judge by another.
int ReadAlarmKind(const Profile& profile, const std::string& section, int def) {
  const int kind = ReadNumber(profile, section, kAlarmKind, def);
  return kind >= akIntensityClass && kind <= akCompositeAcceleration ? kind : def;
}

}  // namespace

std::unique_ptr<Profile> LoadSettings(TPanelSettings& settings, TBoxes& boxes,
                                      const std::function<void()>& hideSplash, const std::string& fileName) {
  settings = TPanelSettings{};
  if (hideSplash) hideSplash();

  auto profile = std::make_unique<Profile>(fileName);
  if (profile->Missing != 0) {
    boxes.MessageBox(kSettingsMissingText, "", false);
    WriteNewFile(*profile, settings.SettingsSection);
    profile = std::make_unique<Profile>(fileName);
  }

  const std::string& section = settings.SettingsSection;
  settings.SensorId = profile->ReadString(section, kId, kDefaultId, kReadBufferSize);
  settings.UdpPort = ReadNumber(*profile, section, kUdpPort, kDefaultUdpPort);
  settings.AlarmIntensity = ReadNumber(*profile, section, kAlarmIntensity, settings.AlarmIntensity);
  settings.AlarmAcceleration = ReadNumber(*profile, section, kAlarmAcceleration, settings.AlarmAcceleration);
  settings.SaveEventLog = ReadBool(*profile, section, kSaveEventLog, settings.SaveEventLog);
  settings.SaveDetailData = ReadBool(*profile, section, kSaveDetailData, settings.SaveDetailData);
  settings.UseUdp = ReadBool(*profile, section, kUseUdp, settings.UseUdp);
  settings.AlarmKind = ReadAlarmKind(*profile, section, settings.AlarmKind);
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
