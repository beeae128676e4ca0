#pragma once
// The twelve user settings of the panel, held by the main window for the whole run.
#include <cstddef>
#include <string>

namespace tevra {

enum TAlarmKind : int {
  akIntensityClass = 0,
  akInstrumentalIntensity = 1,
  akCompositeAcceleration = 2,
};

struct TPanelSettings {
  // Text limits in CP932 bytes: the ID must fit every tip and packet field it goes into.
  static constexpr std::size_t SensorIdMaxBytes = 34;
  static constexpr std::size_t FolderMaxBytes = 4095;  // the system's path limit less the end

  std::string SettingsSection = "00000000";
  std::string SensorId;
  int UdpPort = 0;
  double AlarmIntensity = 1.5;
  int AlarmAcceleration = 20;  // gal
  bool SaveEventLog = true;
  bool SaveDetailData = true;
  bool UseUdp = false;
  bool AutoStart = false;
  int AlarmKind = 0;  // a TAlarmKind value
  bool SaveNoiseOnAlarm = false;
  std::string EventFolder;
  std::string DetailFolder;
};

// Cuts SensorId and the two folders to their limits at a character boundary (for texts from the
// file or a dialog).
void FitSettingsTexts(TPanelSettings& settings);

}  // namespace tevra
