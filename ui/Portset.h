#pragma once
// The COM port dialog. It owns the sensor port and its "ComPort.ini" for the whole run.
#include <QDialog>
#include <QLabel>

#include "sensor/ComPort.h"

namespace tevra {

class TComPortForm : public QDialog {
  Q_OBJECT
 public:
  // Reads "ComPort.ini" (or `fileName`) and opens the port.
  explicit TComPortForm(const std::string& fileName = ComPort::DefaultFileName, QWidget* parent = nullptr);

  ComPort& Port() { return port_; }

  QLabel* Label1 = nullptr;  // "Ready       " or "Not Ready   "

 private:
  ComPort port_;
};

}  // namespace tevra
