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

  QGroupBox* GroupBox1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QCheckBox* CheckBox6;
  QCheckBox* CheckBox3;
  QCheckBox* CheckBox5;
  QPushButton* Button5;
  QGroupBox* GroupBox3;
  QLabel* Label6;
  QPushButton* Button3;
  QLineEdit* Edit2;
  QLabel* Label5;
  QPushButton* Button4;
  QLineEdit* Edit3;
  QGroupBox* GroupBox4;
  QLabel* Label1;
  QLineEdit* Edit4;
  QLabel* Label2;
  QLineEdit* Edit1;
  QCheckBox* CheckBox4;
  QPushButton* Button1;
  QPushButton* Button2;

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
