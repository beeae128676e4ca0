// The measurement settings dialog: what OK takes over and when, the port check, the folder rows,
// the test packet and the folder selection itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "ui/kit/Ini_formFolderDialog.h"
#include "ui/dialogs/Ini_formNumber.h"
#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

// Runs `act` inside the dialog's own event loop, once the dialog is up and modal.
void WhenModal(QDialog* dialog, std::function<void()> act) {
  QTimer::singleShot(0, dialog, [dialog, act] {
    if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
      act();
    } else {
      WhenModal(dialog, act);
    }
  });
}

class IniFormTest : public PanelTest {
 protected:
  void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    // Typed key by key; keyClicks knows only ASCII keys, the IME hands over whole characters.
    for (const QChar c : text)
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); }
  std::string IniBytes() {
    std::string bytes;
    ReadWholeFile(JoinPath(dir_, "TevraPanel.ini"), bytes);
    return bytes;
  }
};

TEST_F(IniFormTest, OkWithoutTouchingAnythingKeepsEverySetting) {
  CreatePanel({.SaveNoiseOnAlarm = true, .AutoStart = false, .EventFolder = "/var/tmp"});
  const TPanelSettings before = panel_->Settings;
  form2_->show();
  EXPECT_EQ(form2_->Edit2->text().toStdString(), "/var/tmp");
  EXPECT_EQ(form2_->Edit1->text().toInt(), udpPort_);
  EXPECT_EQ(form2_->Edit4->text().toStdString(), "TEST01");
  EXPECT_TRUE(form2_->CheckBox6->isChecked());
  EXPECT_FALSE(form2_->CheckBox5->isEnabled());
  EXPECT_FALSE(form2_->CheckBox5->isChecked());
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);
  EXPECT_FALSE(form2_->isVisible());
  const TPanelSettings& after = panel_->Settings;
  EXPECT_EQ(after.SensorId, before.SensorId);
  EXPECT_EQ(after.UdpPort, before.UdpPort);
  EXPECT_EQ(after.EventFolder, before.EventFolder);
  EXPECT_EQ(after.DetailFolder, before.DetailFolder);
  EXPECT_EQ(after.SaveEventLog, before.SaveEventLog);
  EXPECT_EQ(after.SaveDetailData, before.SaveDetailData);
  EXPECT_EQ(after.SaveNoiseOnAlarm, before.SaveNoiseOnAlarm);
  EXPECT_EQ(after.UseUdp, before.UseUdp);
  EXPECT_EQ(after.AutoStart, before.AutoStart);
}

TEST_F(IniFormTest, NewIdAndPortApplyInMemoryAndReachTheFileOnlyAtTheNextClose) {
  CreatePanel();
  const std::string fileBefore = IniBytes();
  form2_->show();
  Type(form2_->Edit4, QStringLiteral("新センサ"));
  Type(form2_->Edit1, QStringLiteral("5000"));
  Click(form2_->CheckBox4);
  Click(form2_->CheckBox1);
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);
  EXPECT_EQ(panel_->Settings.SensorId, "新センサ");
  EXPECT_EQ(panel_->Settings.UdpPort, 5000);
  EXPECT_TRUE(panel_->Settings.AutoStart);
  EXPECT_FALSE(panel_->Settings.SaveEventLog);
  EXPECT_EQ(IniBytes(), fileBefore);

  panel_->close();  // to the notification area: the settings are written all the same
  const std::string ini = Cp932ToUtf8(IniBytes());
  EXPECT_NE(ini.find("ID=新センサ\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("UDPポート番号=5000\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("計測自動開始=1\n"), std::string::npos) << ini;
}

TEST_F(IniFormTest, PortThatIsNoIntegerKeepsTheDialogOpenWithChecksAndIdTakenOver) {
  CreatePanel();
  const std::string oldDetail = panel_->Settings.DetailFolder;
  form2_->show();
  Click(form2_->CheckBox2);
  Type(form2_->Edit4, QStringLiteral("B7"));
  platform_.FolderAnswer = "/tmp";
  QTest::mouseClick(form2_->Button4, Qt::LeftButton);
  EXPECT_EQ(form2_->Edit3->text().toStdString(), "/tmp");
  Type(form2_->Edit1, QStringLiteral("12a"));
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);

  EXPECT_EQ(platform_.Count("MessageBox '12a' は整数ではありません|"), 1);
  EXPECT_TRUE(form2_->isVisible());
  EXPECT_FALSE(panel_->Settings.SaveDetailData);
  EXPECT_EQ(panel_->Settings.SensorId, "B7");
  EXPECT_EQ(panel_->Settings.UdpPort, udpPort_);
  EXPECT_EQ(panel_->Settings.DetailFolder, oldDetail) << "the folders come after the port";

  // Cancel now leaves what the failed OK already took over.
  QTest::mouseClick(form2_->Button2, Qt::LeftButton);
  EXPECT_FALSE(form2_->isVisible());
  EXPECT_EQ(panel_->Settings.SensorId, "B7");
  EXPECT_EQ(panel_->Settings.DetailFolder, oldDetail);
}

TEST_F(IniFormTest, FolderRowsTakeOverOnlyAChosenFolderAndOnlyOnOk) {
  CreatePanel();
  const std::string oldEvent = panel_->Settings.EventFolder;
  const std::string oldDetail = panel_->Settings.DetailFolder;
  form2_->show();
  platform_.FolderAnswer = "/var/tmp";
  QTest::mouseClick(form2_->Button3, Qt::LeftButton);
  EXPECT_EQ(platform_.Count("ChooseFolder " + dir_), 1) << "the selection starts in the working directory";
  EXPECT_EQ(form2_->Edit2->text().toStdString(), "/var/tmp");
  QTest::mouseClick(form2_->Button2, Qt::LeftButton);
  EXPECT_EQ(panel_->Settings.EventFolder, oldEvent);

  form2_->show();
  EXPECT_EQ(form2_->Edit2->text().toStdString(), oldEvent) << "the next showing has the old folder again";
  platform_.FolderAnswer = "";  // the selection cancelled
  QTest::mouseClick(form2_->Button3, Qt::LeftButton);
  EXPECT_EQ(form2_->Edit2->text().toStdString(), oldEvent);
  platform_.FolderAnswer = "/var/tmp";
  QTest::mouseClick(form2_->Button4, Qt::LeftButton);
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);
  EXPECT_EQ(panel_->Settings.EventFolder, oldEvent);
  EXPECT_EQ(panel_->Settings.DetailFolder, "/var/tmp");
  EXPECT_NE(oldDetail, "/var/tmp");
}

TEST_F(IniFormTest, FoldersTheSettingsFileCannotHoldAreRefused) {
  CreatePanel();
  form2_->show();
  platform_.FolderAnswer = "/tmp/données";  // é has no CP932 code: the file would keep "donn?es"
  QTest::mouseClick(form2_->Button3, Qt::LeftButton);
  EXPECT_EQ(platform_.Count("MessageBox '/tmp/données' には設定ファイルに保存できない文字が含まれています。"),
            1);
  EXPECT_EQ(form2_->Edit2->text().toStdString(), panel_->Settings.EventFolder);

  platform_.FolderAnswer = "/" + std::string(4095, 'a');
  QTest::mouseClick(form2_->Button4, Qt::LeftButton);
  EXPECT_EQ(platform_.Count("MessageBox フォルダ名が長すぎます（4095バイトまで）。"), 1);
  platform_.FolderAnswer = "/tmp/a ";
  QTest::mouseClick(form2_->Button4, Qt::LeftButton);
  EXPECT_EQ(platform_.Count("MessageBox '/tmp/a ' は前後の空白や改行を設定ファイルに保存できません。"), 1);
  platform_.FolderAnswer = "/" + std::string(4094, 'a');
  QTest::mouseClick(form2_->Button4, Qt::LeftButton);
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);
  EXPECT_EQ(panel_->Settings.DetailFolder, platform_.FolderAnswer) << "4095 bytes fit";
  EXPECT_NE(panel_->Settings.EventFolder, "/tmp/données");
}

TEST_F(IniFormTest, LongSensorIdIsCutAtACharacterBoundary) {
  CreatePanel();
  form2_->show();
  QString id = QStringLiteral("A");
  for (int i = 0; i < 20; ++i) id += QStringLiteral("震");
  Type(form2_->Edit4, id);
  QTest::mouseClick(form2_->Button1, Qt::LeftButton);
  // One byte and 16 two-byte characters: the 17th would need bytes 34 and 35.
  EXPECT_EQ(Utf8ToCp932(panel_->Settings.SensorId).size(), 33u);
  EXPECT_EQ(panel_->Settings.SensorId, id.left(17).toStdString());
  EXPECT_FALSE(form2_->Edit4->toolTip().isEmpty());
}

TEST_F(IniFormTest, TestButtonFollowsTheUdpBoxButSendsWithTheStoredSettings) {
  CreatePanel({.UseUdp = true});
  form2_->show();
  EXPECT_TRUE(form2_->Button5->isEnabled());
  Click(form2_->CheckBox3);
  EXPECT_FALSE(form2_->Button5->isEnabled());
  Click(form2_->CheckBox6);
  EXPECT_FALSE(form2_->Button5->isEnabled());
  Click(form2_->CheckBox3);
  EXPECT_TRUE(form2_->Button5->isEnabled());
  Click(form2_->CheckBox6);
  EXPECT_TRUE(form2_->Button5->isEnabled());

  Type(form2_->Edit4, QStringLiteral("EDITED"));
  Packets();
  QTest::mouseClick(form2_->Button5, Qt::LeftButton);
  const auto packets = Packets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0], "100,TEST01,2007/10/30,12:34:56,1, ,試験UDPパケットを受信しました。,動作試験,");
  QTest::mouseClick(form2_->Button2, Qt::LeftButton);

  // UDP off in the settings: ticking the box enables the button, which still sends nothing.
  panel_->Settings.UseUdp = false;
  form2_->show();
  EXPECT_FALSE(form2_->Button5->isEnabled());
  Click(form2_->CheckBox3);
  QTest::mouseClick(form2_->Button5, Qt::LeftButton);
  EXPECT_TRUE(Packets().empty());
  EXPECT_EQ(platform_.Count("MessageBox"), 0);
  QTest::mouseClick(form2_->Button2, Qt::LeftButton);
}

TEST_F(IniFormTest, MenuOpensItModallyThenRefreshesTipWhileTrayClicksWait) {
  CreatePanel();
  bool wasModal = false;
  WhenModal(form2_.get(), [&] {
    wasModal = true;
    panel_->OnTrayMessage(TForm1::kLeftButtonUp);  // ignored while the dialog is open
    form2_->Edit4->setText(QStringLiteral("NEW9"));
    QTest::keyClick(form2_->Edit4, Qt::Key_Escape);  // leaves like Cancel
  });
  panel_->N4Click();
  EXPECT_TRUE(wasModal);
  EXPECT_TRUE(panel_->PanelVisible());
  EXPECT_EQ(panel_->Settings.SensorId, "TEST01");
  EXPECT_EQ(platform_.Calls.back(), "TrayModify TEST01 計測停止中");

  WhenModal(form2_.get(), [&] {
    form2_->Edit4->setText(QStringLiteral("NEW9"));
    QTest::keyClick(form2_->Edit4, Qt::Key_Return);  // OK is the default button
  });
  panel_->N4Click();
  EXPECT_EQ(panel_->Settings.SensorId, "NEW9");
  EXPECT_EQ(panel_->StatusPanels[3]->text().toStdString(), "ID: NEW9");
  EXPECT_EQ(platform_.Calls.back(), "TrayModify NEW9 計測停止中");
}

TEST(IniFormNumber, PortTextMustBeOneWholeNumberInTheIntRange) {
  struct Row {
    const char* text;
    bool ok;
    int value;
  };
  const Row rows[] = {
      {"5000", true, 5000},
      {" 6668 ", true, 6668},
      {"+7", true, 7},
      {"-1", true, -1},
      {"2147483647", true, 2147483647},
      {"12a", false, 0},
      {"", false, 0},
      {"  ", false, 0},
      {"1.5", false, 0},
      {"2147483648", false, 0},
      {"+-1", false, 0},
      {"+", false, 0},
      {"0x10", false, 0},
      {"５０００", false, 0},
  };
  for (const Row& row : rows) {
    int value = 0;
    EXPECT_EQ(ParseIntegerText(row.text, value), row.ok) << row.text;
    EXPECT_EQ(value, row.value) << row.text;
  }
}

TEST(FolderDialog, MissingFolderIsCreatedOnlyAfterConfirmation) {
  const TScratchDir scratch;
  const std::string& base = scratch.Path;
  TFolderDialog dialog(nullptr, QString::fromStdString(base));
  EXPECT_EQ(QDir::cleanPath(dialog.directory().absolutePath()).toStdString(), base);
  int asked = 0;
  bool answer = false;
  dialog.ConfirmCreate = [&](const QString&) {
    ++asked;
    return answer;
  };
  dialog.show();
  auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  ASSERT_NE(name, nullptr);
  const std::string wanted = base + "/新しいフォルダ";
  name->setText(QString::fromStdString(wanted));

  dialog.accept();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(dialog.isVisible()) << "declined: the dialog stays";
  EXPECT_FALSE(std::filesystem::exists(wanted));

  answer = true;
  dialog.accept();
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(std::filesystem::is_directory(wanted));
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Folder().toStdString(), wanted);
}

}  // namespace
}  // namespace tevra::test
