#pragma once
// "TevraPanel.ini": the panel's settings, read once at start-up and written at every close request.
#include <functional>
#include <memory>
#include <string>

#include "base/Platform.h"
#include "settings/PanelSettings.h"

namespace tevra {

class Profile;

inline constexpr const char* kSettingsFileName = "TevraPanel.ini";
inline constexpr const char* kSettingsMissingText =
    "設定ファイル　TevraPanel.iniを読み込めません。標準設定で設定ファイルを作成します。";

// Fills `settings` from the file (in the working directory unless `fileName` holds a '/').
// `hideSplash` runs first, so that the splash cannot cover the box. A file that cannot be read
// is announced in a box through `boxes`, created with the new-file values and read back.
// Texts longer than their fields are cut; a number key without a number, or an alarm kind the panel
// does not know, reads as its default. Returns the
// file's Profile, which SaveSettings uses later.
std::unique_ptr<Profile> LoadSettings(TPanelSettings& settings, TBoxes& boxes,
                                      const std::function<void()>& hideSplash = {},
                                      const std::string& fileName = kSettingsFileName);

// A folder comes back from the file exactly as it was written: storable in CP932, within
// FolderMaxBytes, without blanks at its ends or line breaks.
bool FolderReadsBack(const std::string& folder);

// Writes the twelve keys from the record; a write that fails is not noticed.
void SaveSettings(const TPanelSettings& settings, Profile& profile);

}  // namespace tevra
