#include "ui/dialogs/Ini_form.h"

#include "settings/SettingsFile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "base/TextFormat.h"
#include "settings/PanelSettings.h"
#include "ui/kit/DialogButtons.h"
#include "ui/dialogs/Ini_formNumber.h"
#include "ui/kit/QtPlatform.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {

TForm2::TForm2(TPlatform& platform, TPanelWindows& windows, QWidget* parent)
    : QDialog(parent), platform_(platform), windows_(windows) {
  setWindowTitle(QStringLiteral("計測震度　計測設定"));
  setWindowIcon(ApplicationIcon());
  // A dialog border without title-bar buttons: it is left with its two buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setModal(true);
  BuildControls();
  setFixedSize(508, 525);

  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
  connect(Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
  connect(Button5, &QPushButton::clicked, this, &TForm2::Button5Click);
  connect(CheckBox3, &QCheckBox::clicked, this, &TForm2::CheckBox3Click);
  connect(CheckBox5, &QCheckBox::clicked, this, &TForm2::CheckBox5Click);
  connect(CheckBox6, &QCheckBox::clicked, this, &TForm2::CheckBox5Click);
}

void TForm2::BuildControls() {
  GroupBox1 = new QGroupBox(QStringLiteral("地震発生時の動作"), this);
  CheckBox1 = new QCheckBox(QStringLiteral("地震発生情報をファイルに保存する"), GroupBox1);
  CheckBox2 = new QCheckBox(QStringLiteral("地震発生時の加速度情報をファイルに保存する"), GroupBox1);
  CheckBox6 = new QCheckBox(QStringLiteral("警報発生時の環境振動情報をファイルに保存する"), GroupBox1);
  CheckBox3 = new QCheckBox(QStringLiteral("地震発生情報UDPパケットを送信する"), GroupBox1);
  CheckBox5 = new QCheckBox(QStringLiteral("加速度情報UDPパケットを送信する"), GroupBox1);
  CheckBox5->setEnabled(false);  // acceleration packets do not exist: the box stays off
  Button5 = new QPushButton(QStringLiteral("UDPパケット送信試験"), GroupBox1);
  Button5->setAutoDefault(false);
  Button5->setToolTip(QStringLiteral("保存済みの設定で試験パケットを送ります（OK前の変更は使われません）"));
  auto* actions = new QGridLayout(GroupBox1);
  actions->addWidget(CheckBox1, 0, 0, 1, 2);
  actions->addWidget(CheckBox2, 1, 0, 1, 2);
  actions->addWidget(CheckBox6, 2, 0, 1, 2);
  actions->addWidget(CheckBox3, 3, 0);
  actions->addWidget(CheckBox5, 4, 0);
  actions->addWidget(Button5, 3, 1, 2, 1, Qt::AlignVCenter);
  actions->setColumnStretch(0, 1);

  GroupBox3 = new QGroupBox(QStringLiteral("データ保存先フォルダの設定"), this);
  Label6 = new QLabel(QStringLiteral("地震発生情報"), GroupBox3);
  Button3 = new QPushButton(QStringLiteral("設定"), GroupBox3);
  Edit2 = new QLineEdit(QStringLiteral("未設定"), GroupBox3);
  Label5 = new QLabel(QStringLiteral("加速度情報"), GroupBox3);
  Button4 = new QPushButton(QStringLiteral("設定"), GroupBox3);
  Edit3 = new QLineEdit(QStringLiteral("未設定"), GroupBox3);
  for (QLineEdit* edit : {Edit2, Edit3}) edit->setReadOnly(true);
  for (QPushButton* button : {Button3, Button4}) button->setAutoDefault(false);
  auto* folders = new QGridLayout(GroupBox3);
  folders->addWidget(Label6, 0, 0);
  folders->addWidget(Button3, 0, 1);
  folders->addWidget(Edit2, 1, 0, 1, 2);
  folders->addWidget(Label5, 2, 0);
  folders->addWidget(Button4, 2, 1);
  folders->addWidget(Edit3, 3, 0, 1, 2);
  folders->setColumnStretch(0, 1);

  GroupBox4 = new QGroupBox(QStringLiteral("警報UDPパケット"), this);
  Label1 = new QLabel(QStringLiteral("センサID"), GroupBox4);
  Edit4 = new QLineEdit(QStringLiteral("地震センサ１"), GroupBox4);
  Edit4->setToolTip(QStringLiteral("34バイト（全角17文字）まで。長いIDは文字の区切りで切り詰めて保存します"));
  Label2 = new QLabel(QStringLiteral("ポート番号"), GroupBox4);
  Edit1 = new QLineEdit(QStringLiteral("未設定"), GroupBox4);
  auto* packet = new QGridLayout(GroupBox4);
  packet->addWidget(Label1, 0, 0);
  packet->addWidget(Edit4, 0, 1);
  packet->addWidget(Label2, 1, 0);
  packet->addWidget(Edit1, 1, 1);
  packet->setColumnStretch(1, 1);

  CheckBox4 = new QCheckBox(QStringLiteral("アプリケーション起動後、自動的に計測を開始する"), this);
  QHBoxLayout* buttons = OkCancelRow(this, Button1, Button2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(GroupBox1);
  layout->addWidget(GroupBox3);
  layout->addWidget(GroupBox4);
  layout->addWidget(CheckBox4);
  layout->addStretch(1);
  layout->addLayout(buttons);
}

void TForm2::setVisible(bool visible) {
  if (visible && !isVisible()) {
    FormShow();
    if (!placed_) {
      placed_ = true;
      CentreOnScreen(this);
    }
  }
  QDialog::setVisible(visible);
}

void TForm2::FormShow() {
  const TPanelSettings& s = windows_.Form1->Settings;
  CheckBox1->setChecked(s.SaveEventLog);
  CheckBox2->setChecked(s.SaveDetailData);
  CheckBox3->setChecked(s.UseUdp);
  CheckBox4->setChecked(s.AutoStart);
  CheckBox6->setChecked(s.SaveNoiseOnAlarm);
  Button5->setEnabled(CheckBox3->isChecked());
  Edit2->setText(QString::fromStdString(s.EventFolder));
  Edit2->setToolTip(Edit2->text());
  Edit3->setText(QString::fromStdString(s.DetailFolder));
  Edit3->setToolTip(Edit3->text());
  Edit1->setText(QString::number(s.UdpPort));
  Edit4->setText(QString::fromStdString(s.SensorId));
  eventFolderChosen_ = false;
  detailFolderChosen_ = false;
}

void TForm2::CheckBox3Click() {
  Button5->setEnabled(CheckBox3->isChecked() || CheckBox5->isChecked());
}

void TForm2::CheckBox5Click() {
  CheckBox3Click();
}

std::string TForm2::AcceptableFolder(const std::string& folder) {
  // A folder that does not come back from the settings file unchanged would send the next run's
  // files somewhere else.
  const std::string bytes = Utf8ToCp932(folder);
  if (Cp932ToUtf8(bytes) != folder) {
    platform_.MessageBox(Printf("'%s' には設定ファイルに保存できない文字が含まれています。", folder.c_str()),
                         "", false);
    return {};
  }
  if (bytes.size() > TPanelSettings::FolderMaxBytes) {
    platform_.MessageBox(Printf("フォルダ名が長すぎます（%zuバイトまで）。", TPanelSettings::FolderMaxBytes),
                         "", false);
    return {};
  }
  if (!FolderReadsBack(folder)) {
    platform_.MessageBox(Printf("'%s' は前後の空白や改行を設定ファイルに保存できません。", folder.c_str()),
                         "", false);
    return {};
  }
  return folder;
}

void TForm2::Button3Click() {
  const std::string folder = AcceptableFolder(platform_.ChooseFolder(CurrentDirectory()));
  if (folder.empty()) return;
  Edit2->setText(QString::fromStdString(folder));
  Edit2->setToolTip(Edit2->text());
  eventFolderChosen_ = true;
}

void TForm2::Button4Click() {
  const std::string folder = AcceptableFolder(platform_.ChooseFolder(CurrentDirectory()));
  if (folder.empty()) return;
  Edit3->setText(QString::fromStdString(folder));
  Edit3->setToolTip(Edit3->text());
  detailFolderChosen_ = true;
}

void TForm2::Button1Click() {
  TPanelSettings& s = windows_.Form1->Settings;
  s.AutoStart = CheckBox4->isChecked();
  s.SaveNoiseOnAlarm = CheckBox6->isChecked();
  s.SaveEventLog = CheckBox1->isChecked();
  s.SaveDetailData = CheckBox2->isChecked();
  s.UseUdp = CheckBox3->isChecked();

  // Every tip and packet field has room for 34 bytes of ID.
  s.SensorId = CutUtf8ToCp932Bytes(Edit4->text().toStdString(), TPanelSettings::SensorIdMaxBytes);
  Edit4->setText(QString::fromStdString(s.SensorId));

  const std::string portText = Edit1->text().toStdString();
  int port = 0;
  if (!ParseIntegerText(portText, port)) {
    platform_.MessageBox(Printf("'%s' は整数ではありません", portText.c_str()), "tevra_panel", false);
    return;
  }
  s.UdpPort = port;

  if (eventFolderChosen_) s.EventFolder = Edit2->text().toStdString();
  if (detailFolderChosen_) s.DetailFolder = Edit3->text().toStdString();
  accept();
}

void TForm2::Button2Click() {
  QDialog::reject();
}

void TForm2::reject() {
  Button2Click();
}

void TForm2::Button5Click() {
  // The settings in force, not the dialog's edits: what the panel itself would send.
  TForm1& panel = *windows_.Form1;
  panel.Network.SendTestPacket(panel.Settings, platform_.LocalNow(), platform_);
}

}  // namespace tevra
