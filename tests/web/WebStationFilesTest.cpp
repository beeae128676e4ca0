#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "base/Cp932.h"
#include "alarm/AlarmFileNames.h"
#include "support/ScratchDir.h"
#include "web/WebSettings.h"
#include "web/WebStationFiles.h"

namespace tevra {
namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(WebStationFiles, AlarmsAndPicturesByIdOnly) {
  test::TScratchDir dir;
  TWebStationFiles files{dir.Path, EventLogPath(dir.Path, "ABC"), dir.Path, "ABC"};
  Write(files.EventLog, Utf8ToCp932(" 2007/10/30 23:59:57,検出震度,4.6,検出加速度,120.0\n"
                                    " 2007/10/30 23:59:59,最大震度,5.1,最大加速度,250.5\n"
                                    " 2007/11/01 02:00:00,検出震度,3.0,検出加速度,20.0\n"));
  Write(dir.File("20071030235958_ABC.csv"), "header\n");
  Write(dir.File("20071030235958_ABC.png"), "PNGBYTES");
  const std::string json = WebAlarmsJson(files);
  EXPECT_NE(json.find("{\"id\":\"20071030235957\",\"time\":\""), std::string::npos) << json;
  EXPECT_NE(
      json.find(
          "\"intensity\":5.10,\"class\":\"5+\",\"class_rank\":6,\"acceleration_gal\":250.5,\"picture\":true"),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("\"id\":\"20071101020000\""), std::string::npos);
  std::string png;
  ASSERT_TRUE(WebAlarmPicture(files, "20071030235957", png));
  EXPECT_EQ(png, "PNGBYTES");
  for (const char* id : {"20071101020000", "20071030235958_ABC", "../20071030235958_ABC", ""})
    EXPECT_FALSE(WebAlarmPicture(files, id, png)) << id;
  EXPECT_EQ(WebAlarmsJson({dir.Path, dir.File("missing.csv"), dir.Path, "ABC"}), "{\"alarms\":[]}");
}

TEST(WebSettings, DefaultsValidationAndAddress) {
  TWebSettings s;
  EXPECT_TRUE(CheckWebSettings(s));
  EXPECT_EQ(WebPageAddress(s, "", ""), "http://127.0.0.1:18080/");
  const struct {
    void (*Change)(TWebSettings&);
    const char* Named;
  } bad[] = {
      {[](TWebSettings& w) { w.WebAddress = "localhost"; }, "localhost"},
      {[](TWebSettings& w) { w.WebPort = 0; }, "0"},
      {[](TWebSettings& w) { w.WebPort = 65536; }, "65536"},
      {[](TWebSettings& w) { w.WebCertFile = "/c.pem"; }, "鍵"},
      {[](TWebSettings& w) { w.WebAddress = "0.0.0.0"; }, "0.0.0.0"},
  };
  for (const auto& b : bad) {
    TWebSettings w;
    b.Change(w);
    const TStatus usable = CheckWebSettings(w);
    ASSERT_FALSE(usable) << b.Named;
    EXPECT_NE(usable.Error().Message.find(b.Named), std::string::npos) << b.Named;
  }
  s.WebAddress = "0.0.0.0";
  s.WebTokenFile = "/t";
  s.WebCertFile = "/c.pem";
  s.WebKeyFile = "/k.pem";
  EXPECT_TRUE(CheckWebSettings(s));
  EXPECT_EQ(WebPageAddress(s, "abc", "192.168.1.5"), "https://192.168.1.5:18080/?token=abc");
}

TEST(WebSettings, KeptInTheirSection) {
  test::TScratchDir dir(test::TScratchDir::Enter);
  Profile profile(dir.File("TevraPanel.ini"));
  EXPECT_EQ(LoadWebSettings(profile), TWebSettings());
  TWebSettings s;
  s.Web = true;
  s.WebAddress = "127.0.0.2";
  s.WebPort = 18443;
  s.WebTokenFile = "/home/u/token";
  SaveWebSettings(s, profile);
  EXPECT_EQ(LoadWebSettings(Profile(dir.File("TevraPanel.ini"))), s);
  profile.WriteString("Web", "WebPort", "99999");
  profile.WriteString("Web", "WebAddress", "x");
  const TWebSettings damaged = LoadWebSettings(profile);
  EXPECT_EQ(damaged.WebPort, 18080);
  EXPECT_EQ(damaged.WebAddress, "127.0.0.1");
}

}  // namespace
}  // namespace tevra
