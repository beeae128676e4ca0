#pragma once
// 背景振動スペクトル: per axis the learned background spectrum the calculator removes and the
// spectrum of its newest window, log-log from 0.05 to 50 Hz, with the intensity filter's gain on a
// second axis. It reads the calculator after a tick that brought a new intensity, only while
// shown; the calculator itself does no work for it.
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/Tevra.h"
#include "core/WindowAmplitudes.h"

namespace tevra {

class TBackgroundVibrationForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr double LowestHz = 0.05;
  static constexpr double HighestHz = 50.0;

  // `reset` runs the panel's own reset command (its confirmation included); `learnedText` tells
  // when the baseline last learned.
  TBackgroundVibrationForm(const Tevra& calculator, std::function<void()> reset,
                           std::function<std::string()> learnedText, QWidget* parent = nullptr);

  // Reads the calculator now and redraws.
  void Refresh();
  // Refresh once the current tick has ended (several requests make one refresh).
  void RefreshSoon();

  std::array<QChartView*, 3> Views{};
  std::array<QLineSeries*, 3> BaselineSeries{};
  std::array<QLineSeries*, 3> NewestSeries{};
  std::array<QLineSeries*, 3> GainSeries{};
  QLabel* LearnedLabel;
  QPushButton* ResetButton;
  QTimer RefreshTimer;  // single shot, zero delay

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QChart* BuildChart(int axis);

  const Tevra& calculator_;
  std::function<std::string()> learnedText_;
  TWindowAmplitudes newestAmplitudes_;
};

// Amplitude shown for a transform bin: the unnormalised |S_k| times the sample interval, the
// Fourier amplitude in gal·s.
inline double FourierAmplitude(double modulus) {
  return modulus * Tevra_Base::SampleInterval;
}

}  // namespace tevra
