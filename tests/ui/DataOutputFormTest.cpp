// The continuous record in the panel: the 「データ出力設定」 dialog, the archive fed by the
// measurement cycle and the StationXML command.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "base/AtomicFile.h"
#include "settings/PanelSettings.h"
#include "tests/support/MseedTestRecords.h"
#include "ui/dialogs/DataOutput_form.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

using DataOutputFormTest = PanelFormTest<TDataOutputForm, &TForm1::DataOutput>;

TEST_F(DataOutputFormTest, ABadValueIsNamedAndNothingIsStored) {
  CreatePanel();
  const TRow rows[] = {
      {&TDataOutputForm::NetworkEdit, "JPN", "ネットワークコード"},
      {&TDataOutputForm::StationEdit, "", "観測点コード"},
      {&TDataOutputForm::StationEdit, "AB-1", "観測点コード"},
      {&TDataOutputForm::LocationEdit, "000", "ロケーションコード"},
      {&TDataOutputForm::FlushEdit, "0", "書き出し間隔"},
      {&TDataOutputForm::FlushEdit, "2.5", "書き出し間隔"},
      {&TDataOutputForm::AddressEdit, "localhost", "待ち受けアドレス"},
      {&TDataOutputForm::PortEdit, "65536", "ポート番号"},
      {&TDataOutputForm::LatitudeEdit, "91", "緯度"},
      {&TDataOutputForm::ElevationEdit, "x", "標高"},
      {&TDataOutputForm::AzimuthXEdit, "360", "方位"},
      {&TDataOutputForm::AzimuthYEdit, "-5", "方位"},
      {&TDataOutputForm::StartDateEdit, "2023-02-29", "開始日"},
      {&TDataOutputForm::FolderEdit, std::string("/").append(TPanelSettings::FolderMaxBytes, 'f'),
       "保存先フォルダ"},
  };
  const std::string before = Ini();
  for (const TRow& r : rows) {
    Open();
    form_->LatitudeEdit->setText("35");
    form_->LongitudeEdit->setText("135");
    form_->ElevationEdit->setText("10");
    (form_.get()->*r.edit)->setText(QString::fromStdString(r.text));
    ClickOk();
    ASSERT_EQ(platform_.Calls.size(), 1u) << r.text;
    EXPECT_NE(platform_.Calls[0].find(r.message), std::string::npos) << platform_.Calls[0];
    EXPECT_TRUE(form_->isVisible()) << r.text;
  }
  Open();
  form_->ChannelEdits[1]->setText("HN");
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_NE(platform_.Calls.back().find("チャンネルコード"), std::string::npos);
  Open();
  form_->ArchiveCheck->setChecked(true);
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_NE(platform_.Calls.back().find("保存先フォルダ"), std::string::npos);
  EXPECT_EQ(Ini(), before);
  EXPECT_FALSE(panel_->DataOutput->Record.Active());
}

TEST_F(DataOutputFormTest, OkStoresTheSettingsAndTheArchiveStartsAndStopsWithoutARestart) {
  CreatePanel();
  EXPECT_TRUE(panel_->N2->actions().contains(panel_->DataOutput->SettingsAction));
  int configured = 0;
  panel_->DataOutput->Record.OnConfigure = [&](const TDataOutputSettings&) { ++configured; };
  Open();
  EXPECT_EQ(form_->StationEdit->text().toStdString(), "TEST0");  // from the sensor ID
  EXPECT_TRUE(form_->SiteWarning->isVisibleTo(form_.get()));
  // Longer than the 255 bytes other settings are read with.
  std::string folder = dir_;
  for (int i = 0; i < 30; ++i) folder.append("/abcdefghi");
  platform_.FolderAnswer = folder;
  QTest::mouseClick(form_->FolderButton, Qt::LeftButton);
  form_->ArchiveCheck->setChecked(true);
  form_->NetworkEdit->setText("jp");  // codes are taken in capitals
  form_->LocationEdit->setText("00");
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(configured, 1);
  EXPECT_NE(Ini().find("[DataOutput]\nArchive=1\nArchiveFolder=" + folder + "\nNetwork=JP\n"),
            std::string::npos);
  EXPECT_NE(Ini().find("\nStartDate=2007-10-30\n"), std::string::npos);  // no record yet: today

  Start();
  for (int i = 0; i < 30; ++i) Tick(10);
  panel_->N1Click();  // the stop sends out what is held
  const std::string day = JoinPath(folder, "2007/JP/TEST0/HNZ.D/JP.TEST0.00.HNZ.D.2007.303");
  ASSERT_TRUE(std::filesystem::exists(day));
  const auto size = std::filesystem::file_size(day);
  EXPECT_GT(size, 0u);
  EXPECT_EQ(size % 512, 0u);

  Open();
  EXPECT_EQ(form_->StartDateEdit->text(), "2007-10-30");  // kept from the first OK on
  EXPECT_FALSE(form_->AzimuthWarning->isVisibleTo(form_.get()));
  form_->ChannelEdits[0]->setText("hne");
  form_->AzimuthXEdit->setText("80");
  EXPECT_TRUE(form_->AzimuthWarning->isVisibleTo(form_.get()));  // E faces 90
  form_->AzimuthXEdit->setText("90");
  EXPECT_FALSE(form_->AzimuthWarning->isVisibleTo(form_.get()));
  form_->ArchiveCheck->setChecked(false);
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_FALSE(panel_->DataOutput->Record.Active());
  Start();
  for (int i = 0; i < 30; ++i) Tick(10);
  panel_->N1Click();
  EXPECT_EQ(std::filesystem::file_size(day), size);
}

TEST_F(DataOutputFormTest, AFormatErrorLeavesAGapInTheArchiveNotShiftedSamples) {
  CreatePanel();
  TDataOutputSettings s = panel_->DataOutput->Settings();
  s.Archive = true;
  s.ArchiveFolder = JoinPath(dir_, "sds");
  panel_->DataOutput->Apply(s);
  Start();
  for (int i = 0; i < 20; ++i) Tick(10);
  Send("12,34\r");  // a frame with a bad layout: the batch is dropped
  panel_->Timer2Timer();
  for (int i = 0; i < 20; ++i) Tick(10);
  panel_->N1Click();
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(JoinPath(dir_, "sds/2007/XX/TEST0/HNZ.D/XX.TEST0..HNZ.D.2007.303"), bytes));
  std::vector<std::int64_t> gaps;
  std::int64_t end = 0;
  for (std::size_t at = 0; at + 512 <= bytes.size(); at += 512) {
    TDecoded d;
    ASSERT_TRUE(Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, 512, d));
    if (end != 0 && d.StartMicros != end) gaps.push_back(d.StartMicros - end);
    end = d.StartMicros + static_cast<std::int64_t>(d.Samples.size()) * 10000;
  }
  ASSERT_EQ(gaps.size(), 1u);
  EXPECT_GE(gaps[0], 100000);  // what the reader threw away while it resynchronised
}

TEST_F(DataOutputFormTest, TheStationXmlCommandWritesWhereTheUserChose) {
  CreatePanel();
  const std::string oldest = JoinPath(dir_, "sds/2007/XX/TEST0/HNZ.D/XX.TEST0..HNZ.D.2007.300");
  std::filesystem::create_directories(std::filesystem::path(oldest).parent_path());
  ASSERT_TRUE(WriteFileAtomically(oldest, std::string(512, 'x')));
  TDataOutputSettings s = panel_->DataOutput->Settings();
  s.ArchiveFolder = JoinPath(dir_, "sds");
  panel_->DataOutput->Record.Configure(s);  // in force, not stored
  EXPECT_TRUE(panel_->File1->actions().contains(panel_->DataOutput->StationXmlAction));
  panel_->DataOutput->StationXmlAction->trigger();  // cancelled: nothing written
  EXPECT_EQ(platform_.Calls.back(), "ChooseSaveFile " + JoinPath(dir_, "XX.TEST0.xml"));
  platform_.SaveFileAnswer = JoinPath(dir_, "station.xml");
  panel_->DataOutput->StationXmlAction->trigger();
  std::string xml;
  ASSERT_TRUE(ReadWholeFile(platform_.SaveFileAnswer, xml));
  EXPECT_NE(xml.find("<Name>TEST01</Name>"), std::string::npos);
  EXPECT_NE(xml.find("<Station code=\"TEST0\" startDate=\"2007-10-27T00:00:00Z\">"), std::string::npos);
  EXPECT_NE(ListLines().front().find("StationXMLを書き出しました"), std::string::npos);
  // The day is kept: a later export says the same without the archive's oldest day.
  EXPECT_NE(Ini().find("[DataOutput]\nStartDate=2007-10-27\n"), std::string::npos);
  std::filesystem::remove(oldest);
  panel_->DataOutput->StationXmlAction->trigger();
  ASSERT_TRUE(ReadWholeFile(platform_.SaveFileAnswer, xml));
  EXPECT_NE(xml.find("startDate=\"2007-10-27T00:00:00Z\""), std::string::npos);
  platform_.SaveFileAnswer = JoinPath(dir_, "no/such/folder.xml");
  panel_->DataOutput->StationXmlAction->trigger();
  EXPECT_NE(platform_.Calls.back().find("StationXMLを書き込めません"), std::string::npos);
}

}  // namespace
}  // namespace tevra::test
