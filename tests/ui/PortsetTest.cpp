// The COM port dialog: the stored settings it selects at start, the clicks that write and reopen
// and those that must not, the status label, and its use from the panel's menu.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "base/AtomicFile.h"
#include "sensor/Pty.h"
#include "support/ScratchDir.h"
#include "ui/PanelFixture.h"
#include "ui/dialogs/Portset.h"

namespace tevra::test {
namespace {

// A scratch folder whose "ComPort.ini" maps COM1 and COM2 to pseudo-terminals and every other
// number the tests can reach to a device that does not exist, so no real port is ever touched.
class PortDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(com1_.SlavePath.empty());
    ASSERT_FALSE(com2_.SlavePath.empty());
  }
  void TearDown() override { form_.reset(); }

  std::string Devices() const {
    std::string text = "[Devices]\nCOM1=" + com1_.SlavePath + "\nCOM2=" + com2_.SlavePath + "\n";
    for (int n = 3; n <= 20; ++n) text += "COM" + std::to_string(n) + "=" + dir_ + "/missing\n";
    return text;
  }
  void WriteIni(const std::string& rs232c) {
    ASSERT_TRUE(WriteFileAtomically(Path(), "[RS232C]\n" + rs232c + Devices()));
  }
  void Open(const std::string& rs232c = "COM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n") {
    WriteIni(rs232c);
    form_ = std::make_unique<TComPortForm>();
    form_->show();
  }
  std::string Path() const { return JoinPath(dir_, "ComPort.ini"); }
  std::string Value(const std::string& key) const {
    return form_->Port().Settings().ReadString("RS232C", key, "<missing>", 64);
  }
  ino_t Inode() const {
    struct stat st {};
    return ::stat(Path().c_str(), &st) == 0 ? st.st_ino : 0;
  }
  // The label is written by every opening of the port: a mark left in it tells whether one ran.
  void MarkLabel() { form_->Label1->setText("mark"); }
  std::string Label() const { return form_->Label1->text().toStdString(); }
  void Click(TRadioGroup* group, const QString& item) {
    for (int i = 0; i < group->Count(); ++i) {
      if (group->ItemText(i) == item) {
        QTest::mouseClick(group->Button(i), Qt::LeftButton);
        return;
      }
    }
    ADD_FAILURE() << "no item " << item.toStdString();
  }
  const RS232C& OpenPort() { return *form_->Port().Port(); }

  TScratchDir scratch_{TScratchDir::Enter};
  const std::string dir_ = scratch_.Path;
  TPty com1_, com2_;
  std::unique_ptr<TComPortForm> form_;
};

QStringList Items(const TRadioGroup* group) {
  QStringList items;
  for (int i = 0; i < group->Count(); ++i) items << group->ItemText(i);
  return items;
}

TEST_F(PortDialogTest, ControlsCarryTheirCaptionsItemsAndTheDevicesBehindTheNumbers) {
  Open();
  EXPECT_EQ(form_->windowTitle().toStdString(), "ComPort SET");
  EXPECT_EQ(form_->PortGroup->title(), "Num");
  EXPECT_EQ(Items(form_->PortGroup).join(' '), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
  EXPECT_EQ(form_->BaudGroup->title(), "Baud");
  EXPECT_EQ(Items(form_->BaudGroup).join(' '),
            "110 300 600 1200 2400 4800 9600 14400 19200 38400 57600 115200 230400 460800 921600");
  EXPECT_EQ(Items(form_->RadioGroup2).join(' '), "7 8");
  EXPECT_EQ(Items(form_->RadioGroup3).join(' '), "1 2");
  EXPECT_EQ(Items(form_->RadioGroup4).join(' '), "None Odd Even");
  EXPECT_EQ(form_->Button1->text().toStdString(), "閉じる");
  EXPECT_EQ(Label(), "Ready       ");
  // Two columns, filled column by column: "9" heads the second.
  EXPECT_EQ(form_->PortGroup->Button(8)->x(), form_->PortGroup->Button(15)->x());
  EXPECT_GT(form_->PortGroup->Button(8)->x(), form_->PortGroup->Button(7)->x());
  EXPECT_EQ(form_->PortGroup->Button(0)->y(), form_->PortGroup->Button(8)->y());

  EXPECT_EQ(form_->PortGroup->Button(1)->toolTip().toStdString(), com2_.SlavePath);
  EXPECT_EQ(form_->DeviceLabel->text().toStdString(), "COM1 = " + com1_.SlavePath);
  // A number without a configured device stands for the usual serial device.
  form_.reset();
  ASSERT_TRUE(WriteFileAtomically(Path(), "[RS232C]\nCOM=1\n[Devices]\nCOM1=" + com1_.SlavePath + "\n"));
  form_ = std::make_unique<TComPortForm>();
  EXPECT_EQ(form_->PortGroup->Button(3)->toolTip().toStdString(), "/dev/ttyS3");
}

TEST_F(PortDialogTest, ANoteBesideTheBaudGroupWhenTheLineCannotCarryAHundredFrames) {
  Open();
  EXPECT_FALSE(form_->BaudNote->isHidden()) << "9600 baud, the default";
  EXPECT_EQ(
      form_->BaudNote->text().toStdString(),
      "9600 bps では 1 秒に約 56 フレームしか届きません（毎秒 100 フレームには 19200 bps 以上が必要です）");
  struct {
    QString Baud, Parity, Stop;
    std::string Shown;  // "" hidden
  } rows[] = {
      {"14400", "None", "1", "14400 bps では 1 秒に約 84 フレーム"},
      {"19200", "None", "1", ""},
      {"19200", "Even", "2",
       "19200 bps では 1 秒に約 94 フレームしか届きません（毎秒 100 フレームには 38400"},
      {"921600", "Even", "2", ""},
  };
  for (const auto& row : rows) {
    Click(form_->BaudGroup, row.Baud);
    Click(form_->RadioGroup4, row.Parity);
    Click(form_->RadioGroup3, row.Stop);
    EXPECT_EQ(form_->BaudNote->isHidden(), row.Shown.empty()) << row.Baud.toStdString();
    EXPECT_EQ(form_->BaudNote->text().toStdString().substr(0, row.Shown.size()), row.Shown);
  }
}

TEST_F(PortDialogTest, ValidStoredSettingsAreSelectedAndNothingIsWritten) {
  WriteIni("COM=2\nBAUD=115200\nBIT=7\nSTOP=2\nPARITY=ODD\n");
  const ino_t before = Inode();
  form_ = std::make_unique<TComPortForm>();
  EXPECT_EQ(Inode(), before) << "loading the controls rewrote the file";
  EXPECT_EQ(form_->PortGroup->ItemIndex(), 1);
  EXPECT_EQ(form_->BaudGroup->ItemText(form_->BaudGroup->ItemIndex()), "115200");
  EXPECT_EQ(form_->RadioGroup2->ItemIndex(), 0);
  EXPECT_EQ(form_->RadioGroup3->ItemIndex(), 1);
  EXPECT_EQ(form_->RadioGroup4->ItemIndex(), 1);
  EXPECT_TRUE(form_->PortGroup->Button(1)->isChecked());
  EXPECT_EQ(OpenPort().Device(), com2_.SlavePath);
  EXPECT_EQ(OpenPort().Dcb().Baud, 115200u);
  EXPECT_EQ(OpenPort().Dcb().Parity, 'O');
  EXPECT_EQ(OpenPort().Dcb().DataBits, 7);
  EXPECT_EQ(OpenPort().Dcb().StopTenths, 20);
}

TEST_F(PortDialogTest, StoredValuesTheDialogDoesNotOfferAreReplacedAtStart) {
  Open("COM=20\nBAUD=4000\nBIT=9\nSTOP=1\nPARITY=none\n");
  EXPECT_EQ(Value("COM"), "1");
  EXPECT_EQ(Value("BAUD"), "110");
  EXPECT_EQ(Value("BIT"), "8");
  EXPECT_EQ(Value("PARITY"), "EVEN") << "the test is on the first character, case-sensitive";
  EXPECT_EQ(Label(), "Ready       ") << "reopened on COM1 with the replaced values";
  EXPECT_EQ(OpenPort().PortNumber(), 1);
  EXPECT_EQ(OpenPort().Dcb().Baud, 110u);
  EXPECT_EQ(OpenPort().Dcb().Parity, 'E');

  struct Row {
    const char* stored;
    const char* written;
    int selected;
  };
  for (const Row& row :
       {Row{"N", "NONE", 0}, Row{"even", "EVEN", 2}, Row{"Ox", "ODD", 1}, Row{"", "EVEN", 2}}) {
    form_.reset();
    Open(std::string("COM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=") + row.stored + "\n");
    EXPECT_EQ(Value("PARITY"), row.written) << "stored " << row.stored;
    EXPECT_EQ(form_->RadioGroup4->ItemIndex(), row.selected) << "stored " << row.stored;
    EXPECT_EQ(Label(), "Ready       ");
  }

  // Values below the first item select nothing, and selecting nothing is no click: they stay.
  form_.reset();
  // The lowest int too, which once wrapped round to the last item and was written back.
  Open("COM=1\nBAUD=9600\nBIT=-2147483648\nSTOP=-2147483648\nPARITY=NONE\n");
  EXPECT_EQ(form_->RadioGroup2->ItemIndex(), -1);
  EXPECT_EQ(form_->RadioGroup3->ItemIndex(), -1);
  EXPECT_EQ(Value("BIT"), "-2147483648");
  EXPECT_EQ(Value("STOP"), "-2147483648");
  form_.reset();
  Open("COM=1\nBAUD=9600\nBIT=5\nSTOP=-1\nPARITY=NONE\n");
  EXPECT_EQ(form_->RadioGroup2->ItemIndex(), -1);
  EXPECT_FALSE(form_->RadioGroup2->Button(0)->isChecked() || form_->RadioGroup2->Button(1)->isChecked());
  EXPECT_EQ(Value("BIT"), "5");
  EXPECT_EQ(form_->RadioGroup3->ItemIndex(), -1);
  EXPECT_EQ(Value("STOP"), "-1");
  EXPECT_EQ(Label(), "Not Ready   ") << "stop=-1 is no line setting";
  // A click on an item of that group writes it and the port comes up.
  Click(form_->RadioGroup3, "1");
  EXPECT_EQ(Value("STOP"), "1");
  EXPECT_EQ(Label(), "Ready       ");
  EXPECT_EQ(OpenPort().Dcb().DataBits, 5);
}

TEST_F(PortDialogTest, ClickingTheSettingAlreadyStoredWritesNothingAndKeepsThePort) {
  Open("COM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=ODD\n");
  const ino_t before = Inode();
  const RS232C* port = &OpenPort();
  MarkLabel();
  Click(form_->PortGroup, "1");
  Click(form_->BaudGroup, "9600");
  Click(form_->RadioGroup2, "8");
  Click(form_->RadioGroup3, "1");
  Click(form_->RadioGroup4, "Odd");
  EXPECT_EQ(Inode(), before);
  EXPECT_EQ(Label(), "mark") << "the port was reopened";
  EXPECT_EQ(&OpenPort(), port);

  // Parity compares exactly with the file: a hand-edited "odd" is rewritten by a click on Odd.
  form_->Port().Settings().WriteString("RS232C", "PARITY", "odd");
  Click(form_->RadioGroup4, "Odd");
  EXPECT_EQ(Value("PARITY"), "ODD");
  EXPECT_EQ(Label(), "Ready       ");
}

TEST_F(PortDialogTest, EveryChangeIsWrittenAndTheReopenedPortUsesIt) {
  Open();
  Click(form_->BaudGroup, "19200");
  EXPECT_EQ(Value("BAUD"), "19200");
  EXPECT_EQ(OpenPort().Dcb().Baud, 19200u);
  Click(form_->RadioGroup2, "7");
  EXPECT_EQ(Value("BIT"), "7");
  Click(form_->RadioGroup3, "2");
  EXPECT_EQ(Value("STOP"), "2");
  Click(form_->RadioGroup4, "Even");
  EXPECT_EQ(Value("PARITY"), "EVEN");
  EXPECT_EQ(OpenPort().Dcb().DataBits, 7);
  EXPECT_EQ(OpenPort().Dcb().StopTenths, 20);
  EXPECT_EQ(OpenPort().Dcb().Parity, 'E');
  EXPECT_EQ(Label(), "Ready       ");

  Click(form_->PortGroup, "2");
  EXPECT_EQ(Value("COM"), "2");
  EXPECT_EQ(OpenPort().Device(), com2_.SlavePath);
  EXPECT_EQ(form_->DeviceLabel->text().toStdString(), "COM2 = " + com2_.SlavePath);
  // The first port was closed: another program may claim it now.
  RS232C other(1, "baud=9600 parity=N data=8 stop=1", com1_.SlavePath);
  EXPECT_EQ(other.Status(), RS232C::PortReady);
}

TEST_F(PortDialogTest, AMissingPortIsStoredAndShownNotReadyUntilAGoodOneIsChosen) {
  Open();
  Click(form_->PortGroup, "5");
  EXPECT_EQ(Value("COM"), "5");
  EXPECT_EQ(Label(), "Not Ready   ");
  EXPECT_EQ(form_->ReasonLabel->text().toStdString(), dir_ + "/missing: open: No such file or directory");
  EXPECT_TRUE(form_->ReasonLabel->isVisible());
  EXPECT_EQ(OpenPort().Status(), RS232C::PortNotReady);
  char buffer[8];
  EXPECT_EQ(form_->Port().CurrentPort()->Read(buffer, sizeof buffer), 0);
  Click(form_->PortGroup, "1");
  EXPECT_EQ(Value("COM"), "1");
  EXPECT_EQ(Label(), "Ready       ");
  EXPECT_EQ(form_->ReasonLabel->text(), QString());
  EXPECT_FALSE(form_->ReasonLabel->isVisible());
  EXPECT_EQ(OpenPort().Status(), RS232C::PortReady);
}

TEST_F(PortDialogTest, CloseButtonAndCloseBoxOnlyHide) {
  Open();
  const ino_t before = Inode();
  QTest::mouseClick(form_->Button1, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  form_->show();
  form_->close();
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(Inode(), before);
  EXPECT_EQ(OpenPort().Status(), RS232C::PortReady) << "the port stays open while the dialog is hidden";
}

TEST_F(PanelTest, OpeningTheComPortDialogFromTheMenuReopensThePort) {
  CreatePanel();
  comPort_->Label1->setText("mark");
  panel_->N6Click();
  EXPECT_TRUE(comPort_->isVisible());
  EXPECT_FALSE(comPort_->isModal());
  EXPECT_EQ(comPort_->Label1->text().toStdString(), "Ready       ");
  EXPECT_EQ(panel_->StatusPanels[0]->text().toStdString(), "COM 1: READY");
}

TEST_F(PanelTest, PortChangeDuringMeasurementIsAppliedAndMeasuringGoesOn) {
  CreatePanel();
  comPort_->show();
  Start();
  Tick(10);
  QTest::mouseClick(comPort_->BaudGroup->Button(8), Qt::LeftButton);  // 19200
  EXPECT_EQ(comPort_->Port().Port()->Dcb().Baud, 19200u);
  for (int i = 0; i < 20; ++i) Tick(10);
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_EQ(panel_->Reader->SampleCount(), 10) << "the reader reads from the new port";
  for (const std::string& line : ListLines()) EXPECT_EQ(line.find("エラー"), std::string::npos) << line;
}

}  // namespace
}  // namespace tevra::test
