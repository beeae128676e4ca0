#pragma once
// The alarm settings dialog, modeless.
#include <QDialog>

namespace tevra {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
};

}  // namespace tevra
