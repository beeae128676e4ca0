#pragma once
// 「長周期地震動設定」: the alarm of the long-period ground-motion class, shown modally. OK writes
// the settings to the settings file and puts them in force at once.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>

namespace tevra {

class TPanelLongPeriod;

class TLongPeriodForm : public QDialog {
  Q_OBJECT
 public:
  TLongPeriodForm(TPanelLongPeriod& owner, QWidget* parent = nullptr);

  QCheckBox* AlarmCheck;
  QComboBox* ClassCombo;  // classes 1 ... 4 as items 0 ... 3
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // Fills the controls from the settings in force (every showing does).
  void FormShow();
  void OkClick();
  void setVisible(bool visible) override;

 private:
  TPanelLongPeriod& owner_;
};

}  // namespace tevra
