#include "settings/DataOutputSettings.h"

#include "support/ScratchDirTest.h"
#include "settings/PanelSettings.h"
#include "settings/SettingsFile.h"
#include "settings/Profile.h"

namespace tevra {
namespace {

class DataOutputSettingsTest : public ScratchDirTest {
 protected:
  TDataOutputSettings Load(const std::string& section, const std::string& id = "Default_ID") {
    EXPECT_TRUE(WriteFileAtomically(Path(kSettingsFileName), "[DataOutput]\n" + section));
    return LoadDataOutputSettings(Profile(kSettingsFileName), id);
  }
};

TEST_F(DataOutputSettingsTest, GoodValuesAreTakenAndBadOnesReadAsMissing) {
  struct TRow {
    const char* lines;
    std::function<bool(const TDataOutputSettings&)> check;
  };
  const TRow rows[] = {
      {"",
       [](const auto& s) {
         return !s.Archive && s.Network == "XX" && s.Station == "DEFAU" && s.Location.empty();
       }},
      {"", [](const auto& s) { return s.Channels[2] == "HNZ" && s.FlushSeconds == 5 && !s.SeedLink; }},
      {"",
       [](const auto& s) {
         return s.SeedLinkAddress == "127.0.0.1" && s.SeedLinkPort == 18000 && !s.SiteSet;
       }},
      {"", [](const auto& s) { return s.StartDate.empty() && !s.Azimuths[0] && !s.Azimuths[1]; }},
      {"Archive=1\nArchiveFolder=/srv/sds\n",
       [](const auto& s) { return s.Archive && s.ArchiveFolder == "/srv/sds"; }},
      {"Archive=1\n", [](const auto& s) { return !s.Archive; }},  // no folder to write to
      {"Archive=2\nArchiveFolder=/a\n", [](const auto& s) { return !s.Archive; }},
      {"Network=JP\nStation=AB12\nLocation=00\n",
       [](const auto& s) { return s.Network == "JP" && s.Station == "AB12" && s.Location == "00"; }},
      {"Network=JPN\nStation=ABCDEF\nLocation=000\n",
       [](const auto& s) { return s.Network == "XX" && s.Station == "DEFAU" && s.Location.empty(); }},
      {"Network=jp\nStation=A-1\nLocation=0 \n",
       [](const auto& s) { return s.Network == "XX" && s.Station == "DEFAU"; }},
      {"Channels=EN1,EN2,ENZ\n",
       [](const auto& s) { return s.Channels[0] == "EN1" && s.Channels[2] == "ENZ"; }},
      {"Channels=HN1,HN2\n", [](const auto& s) { return s.Channels[1] == "HN2" && s.Channels[2] == "HNZ"; }},
      {"Channels=HN1,HN2,HNZ,HNX\n", [](const auto& s) { return s.Channels[2] == "HNZ"; }},
      {"Channels=HN1,HN,HNZ\n", [](const auto& s) { return s.Channels[1] == "HN2"; }},
      {"FlushSeconds=1\n", [](const auto& s) { return s.FlushSeconds == 1; }},
      {"FlushSeconds=0\n", [](const auto& s) { return s.FlushSeconds == 5; }},
      {"FlushSeconds=5s\n", [](const auto& s) { return s.FlushSeconds == 5; }},
      {"SeedLink=1\nSeedLinkAddress=192.168.1.20\nSeedLinkPort=18001\n",
       [](const auto& s) {
         return s.SeedLink && s.SeedLinkAddress == "192.168.1.20" && s.SeedLinkPort == 18001;
       }},
      {"SeedLinkAddress=localhost\nSeedLinkPort=70000\n",
       [](const auto& s) { return s.SeedLinkAddress == "127.0.0.1" && s.SeedLinkPort == 18000; }},
      {"Latitude=35.5\nLongitude=139.25\nElevation=-3\n",
       [](const auto& s) {
         return s.SiteSet && s.Latitude == 35.5 && s.Longitude == 139.25 && s.Elevation == -3;
       }},
      {"Latitude=95\nLongitude=139.25\nElevation=3\n",
       [](const auto& s) { return !s.SiteSet && s.Latitude == 0; }},
      {"Latitude=35\nLongitude=139\n", [](const auto& s) { return !s.SiteSet; }},
      {"Latitude=90\nLongitude=0\nElevation=0\n",
       [](const auto& s) { return !s.SiteSet; }},  // StationXML: < 90
      {"StartDate=2024-02-29\n", [](const auto& s) { return s.StartDate == "2024-02-29"; }},
      {"StartDate=2023-02-29\n", [](const auto& s) { return s.StartDate.empty(); }},
      {"StartDate=2024-3-9\n", [](const auto& s) { return s.StartDate.empty(); }},
      {"StartDate=1969-12-31\n", [](const auto& s) { return s.StartDate.empty(); }},
      {"StartDate=2024-03-09T00:00:00Z\n", [](const auto& s) { return s.StartDate.empty(); }},
      {"AzimuthX=45.5\nAzimuthY=0\n",
       [](const auto& s) { return s.Azimuths[0] == 45.5 && s.Azimuths[1] == 0.0; }},
      {"AzimuthX=360\nAzimuthY=-1\n", [](const auto& s) { return !s.Azimuths[0] && !s.Azimuths[1]; }},
      {"AzimuthX=359.9999999\nAzimuthY=90deg\n",
       [](const auto& s) { return !s.Azimuths[0] && !s.Azimuths[1]; }},
  };
  for (const TRow& r : rows) EXPECT_TRUE(r.check(Load(r.lines))) << r.lines;
  EXPECT_EQ(Load("", "地震センサ１").Station, "TEVRA");
  EXPECT_EQ(Load("", "tk-03 roof").Station, "TK03R");
  // The folder is read whole, as the panel's other folders; one longer than a path can be is bad.
  const std::string deep = std::string("/").append(299, 'd');
  EXPECT_EQ(Load(std::string("Archive=1\nArchiveFolder=").append(deep) + "\n").ArchiveFolder, deep);
  const TDataOutputSettings tooLong =
      Load(std::string("Archive=1\nArchiveFolder=/").append(TPanelSettings::FolderMaxBytes, 'd') + "\n");
  EXPECT_TRUE(!tooLong.Archive && tooLong.ArchiveFolder.empty());
}

TEST_F(DataOutputSettingsTest, SavingWritesItsOwnSectionAndLeavesThePanelsKeysAsTheyWere) {
  const std::string panel = "[00000000]\nID=S1\nUDPポート番号=6668\n";
  ASSERT_TRUE(WriteFileAtomically(Path(kSettingsFileName), Utf8ToCp932(panel)));
  Profile profile(kSettingsFileName);
  TDataOutputSettings s;
  s.Archive = true;
  s.ArchiveFolder = "/srv/sds";
  s.Location = std::string(2, '0');  // (a string literal here trips a false GCC 12 warning)
  s.SiteSet = true;
  s.Latitude = 35.681236;
  s.StartDate = "2024-03-09";
  s.Azimuths[0] = 45.5;
  SaveDataOutputSettings(s, profile);
  EXPECT_EQ(
      Utf8Of(Path(kSettingsFileName)),
      panel +
          "[DataOutput]\nArchive=1\nArchiveFolder=/srv/sds\nNetwork=XX\nStation=TEVRA\nLocation=00\n"
          "Channels=HN1,HN2,HNZ\nFlushSeconds=5\nSeedLink=0\nSeedLinkAddress=127.0.0.1\nSeedLinkPort=18000\n"
          "Latitude=35.681236\nLongitude=0.000000\nElevation=0.000000\n"
          "StartDate=2024-03-09\nAzimuthX=45.500000\nAzimuthY=\n");
  const TDataOutputSettings back = LoadDataOutputSettings(profile, "S1");
  EXPECT_TRUE(back.Archive && back.SiteSet);
  EXPECT_EQ(back.Location, "00");
  EXPECT_DOUBLE_EQ(back.Latitude, 35.681236);
  EXPECT_EQ(back.StartDate, "2024-03-09");
  EXPECT_EQ(back.Azimuths[0], 45.5);
  EXPECT_FALSE(back.Azimuths[1]);
}

}  // namespace
}  // namespace tevra
