#pragma once
// The alarm settings window, modeless: the alarm criterion by intensity class, instrumental
// intensity or composite acceleration. Every change goes into the panel's settings at once;
// Cancel puts back the kind and the intensity threshold in force when the window was shown.
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include "ui/kit/PanelWindows.h"

namespace tevra {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(TPanelWindows& windows, QWidget* parent = nullptr);

  // The three rows, each a group headed by its radio button.
  QGroupBox* GroupBox1;        // the row of the intensity class
  QGroupBox* GroupBox2;        // the row of the instrumental intensity
  QGroupBox* GroupBox3;        // the row of the composite acceleration
  QRadioButton* RadioButton1;  // 震度階級で警報設定する
  QRadioButton* RadioButton2;  // 計測震度で警報設定する
  QRadioButton* RadioButton3;  // 合成加速度で警報設定する
  QLabel* Label3;              // caption 震度階級
  QComboBox* ComboBox1;        // the class: １ ... ７
  QLabel* Label1;              // 以上で警報する after the class
  QLabel* Label2;              // caption 計測震度
  QLabel* Label5;              // the intensity threshold in large figures
  QLabel* Label4;              // 以上で警報する after the intensity
  QSlider* TrackBar1;          // 0 ... 70: tenths of an intensity
  QLabel* Label6;              // caption 合成加速度
  QLabel* Label7;              // the acceleration threshold in large figures
  QLabel* Label8;              // gal 以上で警報する
  QSlider* TrackBar2;          // 0 ... 100 gal
  QPushButton* Button1;        // OK
  QPushButton* Button2;        // キャンセル: puts back what was in force at showing

  void FormShow();
  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void ComboBox1Change();
  void TrackBar1Change();
  void TrackBar2Change();
  void Button1Click();  // OK
  void Button2Click();  // cancel

  // A showing fills the controls from the settings; showing it while open brings it to the front.
  void setVisible(bool visible) override;
  // Escape leaves like Cancel.
  void reject() override;

 protected:
  // The title-bar button leaves like OK.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void EnableRow(int kind);
  void ApplyClassSelection();

  TPanelWindows& windows_;
  int savedKind_ = 0;
  double savedIntensity_ = 0.0;
  bool showing_ = false;  // FormShow selects a radio button without its click action
  bool placed_ = false;
};

}  // namespace tevra
