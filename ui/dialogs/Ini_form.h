#pragma once
// The measurement settings dialog, shown modally: which files are written and where, the UDP
// packets, the sensor ID and the automatic start. It edits copies in its controls and takes them
// over into the panel's settings on OK; the settings file is written later, by the panel.
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "base/Platform.h"
#include "ui/kit/PanelWindows.h"

namespace tevra {

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  TForm2(TPlatform& platform, TPanelWindows& windows, QWidget* parent = nullptr);

  // Controls, named as the dialog's layout names them.
  QGroupBox* GroupBox1;  // group 地震発生時の動作: what an alarm writes and sends
  QCheckBox* CheckBox1;  // 地震発生情報をファイルに保存する: the event log (SaveEventLog)
  QCheckBox* CheckBox2;  // 地震発生時の加速度情報をファイルに保存する: the detail file (SaveDetailData)
  QCheckBox* CheckBox6;  // 警報発生時の環境振動情報をファイルに保存する: noise snapshot (SaveNoiseOnAlarm)
  QCheckBox* CheckBox3;  // 地震発生情報UDPパケットを送信する: the packets (UseUdp)
  QCheckBox* CheckBox5;  // 加速度情報UDPパケットを送信する: always off and disabled (no such packets)
  QPushButton* Button5;  // UDPパケット送信試験: a test packet with the settings in force
  QGroupBox* GroupBox3;  // group データ保存先フォルダの設定
  QLabel* Label6;        // caption 地震発生情報 of the event-log folder
  QPushButton* Button3;  // 設定: chooses the event-log folder
  QLineEdit* Edit2;      // the event-log folder (EventFolder)
  QLabel* Label5;        // caption 加速度情報 of the detail folder
  QPushButton* Button4;  // 設定: chooses the detail folder
  QLineEdit* Edit3;      // the detail folder (DetailFolder)
  QGroupBox* GroupBox4;  // group 警報UDPパケット
  QLabel* Label1;        // caption センサID
  QLineEdit* Edit4;      // the sensor ID (SensorId, at most 34 bytes in CP932)
  QLabel* Label2;        // caption ポート番号
  QLineEdit* Edit1;      // the packets' UDP port (UdpPort)
  QCheckBox* CheckBox4;  // アプリケーション起動後、自動的に計測を開始する (AutoStart)
  QPushButton* Button1;  // OK
  QPushButton* Button2;  // キャンセル

  void FormShow();
  void Button1Click();  // OK
  void Button2Click();  // cancel
  void Button3Click();  // event-log folder
  void Button4Click();  // detail folder
  void Button5Click();  // test packet
  void CheckBox3Click();
  void CheckBox5Click();  // also CheckBox6

  // Every showing (exec() included) first fills the controls from the settings.
  void setVisible(bool visible) override;
  // Escape and the window manager's close leave like Cancel.
  void reject() override;

 private:
  void BuildControls();
  // A chosen folder the settings file can hold, or "" after telling the user why not.
  std::string AcceptableFolder(const std::string& folder);

  TPlatform& platform_;
  TPanelWindows& windows_;
  bool eventFolderChosen_ = false;
  bool detailFolderChosen_ = false;
  bool placed_ = false;
};

}  // namespace tevra
