#pragma once
// The measurement settings dialog, shown modally.
#include <QDialog>

namespace tevra {

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace tevra
