#include "settings/PanelSettings.h"

#include "base/Cp932.h"

namespace tevra {

void FitSettingsTexts(TPanelSettings& settings) {
  settings.SensorId = CutUtf8ToCp932Bytes(settings.SensorId, TPanelSettings::SensorIdMaxBytes);
  settings.EventFolder = CutUtf8ToCp932Bytes(settings.EventFolder, TPanelSettings::FolderMaxBytes);
  settings.DetailFolder = CutUtf8ToCp932Bytes(settings.DetailFolder, TPanelSettings::FolderMaxBytes);
}

}  // namespace tevra
