#pragma once
// Starting the panel at login, the way desktops offer it: an XDG autostart entry
// "$XDG_CONFIG_HOME/autostart/tevra_panel.desktop" (~/.config without XDG_CONFIG_HOME).
#include <string>

namespace tevra {

// The entry's path; empty when neither an absolute XDG_CONFIG_HOME nor HOME is set.
std::string LoginStartEntryPath();

// True when the entry exists and the desktop has not switched it off (Hidden=true, or the
// GNOME key set to false by its session settings).
bool LoginStartEnabled();

// The entry's text: `program` started in `workingDir`, escaped as desktop entries require.
std::string LoginStartEntryText(const std::string& program, const std::string& workingDir);

// Writes the entry (making its folder); false when it cannot be written.
bool EnableLoginStart(const std::string& program, const std::string& workingDir);
// Removes the entry; true when it is gone, also when there was none.
bool DisableLoginStart();

}  // namespace tevra
