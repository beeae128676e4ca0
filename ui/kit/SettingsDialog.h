#pragma once
// The frame the settings dialogs share: a modal window with the program's icon, its groups one
// under the other and OK and Cancel below them; filled from the settings in force and centred at
// every showing; what went wrong told in a box titled like the window.
#include <QDialog>
#include <QLayout>
#include <QPushButton>
#include <initializer_list>
#include <string>

#include "base/Platform.h"

namespace tevra {

class TSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

  // Fills the controls from the settings in force (every showing does).
  virtual void FormShow() = 0;
  // Stores the values and closes, or names the bad one and stays open.
  virtual void OkClick() = 0;
  void setVisible(bool visible) override;

 protected:
  TSettingsDialog(TPlatform& platform, const char* title, QWidget* parent);
  // Stacks the groups, then `extra` (when given), then OK and Cancel; connects the two buttons.
  void StackGroups(std::initializer_list<QWidget*> groups, QLayout* extra = nullptr);
  // Tells the user why a value is refused or an action failed; false, to return from a check.
  bool Refuse(const std::string& text);

  TPlatform& platform_;

 private:
  std::string title_;
};

}  // namespace tevra
