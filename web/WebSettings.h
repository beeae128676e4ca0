#pragma once
// The panel's [Web] section of "TevraPanel.ini": whether the web page is served, where, and the
// files of its token, certificate and key. The token itself never goes into the settings file.
#include <string>

#include "base/Result.h"
#include "settings/Profile.h"

namespace tevra {

struct TWebSettings {
  bool Web = false;
  std::string WebAddress = "127.0.0.1";
  int WebPort = 18080;
  std::string WebTokenFile;
  std::string WebCertFile;
  std::string WebKeyFile;
  friend bool operator==(const TWebSettings&, const TWebSettings&) = default;
};

// Reads the section; a missing or bad value takes its default.
TWebSettings LoadWebSettings(const Profile& profile);
// Writes the whole section in one replacement of the file.
void SaveWebSettings(const TWebSettings& settings, Profile& profile);
// Whether the settings can be used, else the bad value named (Japanese): an address that is no
// IPv4 address, a port outside 1..65535, only one of certificate and key, no token file beyond
// loopback.
TStatus CheckWebSettings(const TWebSettings& settings);

// The address a browser opens: "http(s)://ADDR:PORT/", with "?token=..." when a token is given;
// `hostAddress` stands for 0.0.0.0 (a server on every interface).
std::string WebPageAddress(const TWebSettings& settings, const std::string& token,
                           const std::string& hostAddress);

}  // namespace tevra
