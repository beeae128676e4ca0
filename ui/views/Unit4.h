#pragma once
// The splash window: shown for 1.5 s at start-up, then it hands over to the panel. Being the
// program's first window, its closing ends the program.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tevra {

class TForm4 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  // Shows the panel when the splash goes.
  std::function<void()> ShowMainWindow;

  QLabel* Label1;  // the sensor's name, VXT-RRR
  QLabel* Label2;  // 震度計測ソフト
  QLabel* Label3;  // the program's name
  QTimer Timer1;   // 1.5 s, single shot: the splash goes and the panel shows

  void Timer1Timer();

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace tevra
