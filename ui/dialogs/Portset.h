#pragma once
// The COM port dialog: port and line settings, each choice written to "ComPort.ini" and applied
// by reopening the port at once; no OK or Cancel. It owns the sensor port and its settings file
// for the whole run, shown or not.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <memory>
#include <string>

#include "sensor/ComPort.h"
#include "ui/dialogs/PortsetRadioGroup.h"

namespace tevra {

class TComPortForm : public QDialog {
  Q_OBJECT
 public:
  // Reads "ComPort.ini" (or `fileName`), writing its defaults when it is missing, opens the port
  // and selects the stored settings.
  explicit TComPortForm(const std::string& fileName = ComPort::DefaultFileName, QWidget* parent = nullptr);
  ~TComPortForm() override;

  ComPort& Port() { return *port_; }

  // Selects in each group the item of the stored setting; a stored value the dialog does not
  // offer is replaced by the selected item's.
  void LoadControls();

  void PortGroupClick();
  void BaudGroupClick();
  void RadioGroup2Click();
  void RadioGroup3Click();
  void RadioGroup4Click();
  void Button1Click() { hide(); }

  TRadioGroup* PortGroup;    // Num: the port number
  TRadioGroup* BaudGroup;    // Baud: the line speed
  TRadioGroup* RadioGroup2;  // data bits
  TRadioGroup* RadioGroup3;  // stop bits
  TRadioGroup* RadioGroup4;  // parity
  QLabel* Label1;            // the port's state in large letters: "NG", then "Ready       " or "Not Ready   "
  QLabel* ReasonLabel;       // why the port is not ready, in small red letters; hidden while it is
  QLabel* DeviceLabel;       // the device the open port number stands for
  QLabel* BaudNote;          // shown when the line settings cannot carry 100 frames a second
  QPushButton* Button1;      // 閉じる

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void BuildGroups(QWidget* panel);
  void BuildStatus(QWidget* panel);
  void LayOut(QFrame* panel);
  void ShowDevices();
  void ShowOpenDevice();
  void ShowBaudNote();

  std::unique_ptr<ComPort> port_;
};

}  // namespace tevra
